// PowerDown's choice of route and its calls. The calls that would end the
// session or power the machine down are recorded through the power-call table
// instead of being made; everything else is real: the token, the task process,
// the mailslot and the global event.
#include "power_down.h"

#include "companion_mailbox.h"
#include "countdown_state.h"
#include "power_calls.h"
#include "power_test_support.h"
#include "saver_settings.h"
#include "screensaver_framework.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// What the fakes record and answer.
struct FakeSystem {
    std::string calls;           // "Name(arg,...)" joined by ";"
    BOOL callResult = TRUE;      // answer of the recorded power calls
    bool tokenOpens = true;
    DWORD privilegeError = ERROR_SUCCESS;  // last error after AdjustTokenPrivileges
    HANDLE openedToken = nullptr;
    int tokenOpenCount = 0;
    std::string adjustArguments;
    // GetPwrCapabilities' answer: its result, SystemS3 and the AoAc byte.
    BOOLEAN capabilitiesResult = TRUE;
    BOOLEAN systemS3 = TRUE;
    BYTE aoac = FALSE;
    bool capabilitiesArrivedZeroed = true;
    std::wstring taskPidFile;     // a task that the display-off call must come after
    bool displayOffWhileTaskRan = false;
    DWORD displayOffTick = 0;
};

FakeSystem g_fake;

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...)
{
    char call[160];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(call, sizeof(call), format, arguments);
    va_end(arguments);
    if (!g_fake.calls.empty())
        g_fake.calls += ";";
    g_fake.calls += call;
}

BOOL WINAPI FakeOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    ++g_fake.tokenOpenCount;
    if (!g_fake.tokenOpens) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // The real token, so that a test can see whether it was closed.
    BOOL opened = OpenProcessToken(process, access, token);
    g_fake.openedToken = *token;
    return opened;
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                      DWORD bufferLength, PTOKEN_PRIVILEGES previousState,
                                      PDWORD returnLength)
{
    char text[160];
    snprintf(text, sizeof(text), "token %s, disableAll %d, count %lu, luid %lu:%ld, attributes %lu, "
             "length %lu, previous %s, returnLength %s",
             token == g_fake.openedToken ? "opened" : "other", disableAll,
             newState->PrivilegeCount, newState->Privileges[0].Luid.LowPart,
             newState->Privileges[0].Luid.HighPart, newState->Privileges[0].Attributes,
             bufferLength, previousState ? "given" : "null", returnLength ? "given" : "null");
    g_fake.adjustArguments = text;
    SetLastError(g_fake.privilegeError);
    return TRUE;
}

BOOL WINAPI FakeInitiateSystemShutdownA(LPSTR machine, LPSTR message, DWORD timeout,
                                        BOOL forceAppsClosed, BOOL rebootAfterShutdown)
{
    Record("InitiateSystemShutdownA(%s,%s,%lu,%d,%d)", machine ? machine : "null",
           message ? message : "null", timeout, forceAppsClosed, rebootAfterShutdown);
    return g_fake.callResult;
}

BOOL WINAPI FakeSetSystemPowerState(BOOL suspend, BOOL force)
{
    Record("SetSystemPowerState(%d,%d)", suspend, force);
    return g_fake.callResult;
}

BOOLEAN WINAPI FakeSetSuspendState(BOOLEAN hibernate, BOOLEAN forceCritical, BOOLEAN disableWakeEvent)
{
    Record("SetSuspendState(%d,%d,%d)", hibernate, forceCritical, disableWakeEvent);
    return g_fake.callResult ? TRUE : FALSE;
}

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason)
{
    Record("ExitWindowsEx(%u,%lu)", flags, reason);
    return g_fake.callResult;
}

BOOL WINAPI FakeLockWorkStation()
{
    Record("LockWorkStation()");
    return g_fake.callResult;
}

BOOLEAN WINAPI FakeGetPwrCapabilities(PSYSTEM_POWER_CAPABILITIES capabilities)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(capabilities);
    for (size_t i = 0; i < sizeof(*capabilities); ++i)
        g_fake.capabilitiesArrivedZeroed = g_fake.capabilitiesArrivedZeroed && bytes[i] == 0;
    // Written even when the call fails, so that a test sees whether it is believed.
    capabilities->SystemS3 = g_fake.systemS3;
    // The platform's structure has AoAc at byte 20; mingw-w64's has no name for it.
    reinterpret_cast<BYTE*>(capabilities)[20] = g_fake.aoac;
    return g_fake.capabilitiesResult;
}

// The power module's entries as the fakes above; nothing else is looked up there.
FARPROC WINAPI FakeGetProcAddress(HMODULE, LPCSTR name)
{
    if (strcmp(name, "SetSuspendState") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeSetSuspendState));
    if (strcmp(name, "GetPwrCapabilities") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeGetPwrCapabilities));
    Record("GetProcAddress(%s)", name);
    return nullptr;
}

LRESULT WINAPI FakeSendMessageTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT flags, UINT timeout, PDWORD_PTR result)
{
    Record("SendMessageTimeoutW(%s,%u,%lu,%ld,%u,%u,%s)",
           window == HWND_BROADCAST ? "HWND_BROADCAST" : "a window", message,
           static_cast<unsigned long>(wParam), static_cast<long>(lParam), flags, timeout,
           result ? "given" : "null");
    if (!g_fake.taskPidFile.empty()) {
        const DWORD taskPid = WaitForTaskPid(g_fake.taskPidFile, 0);
        g_fake.displayOffWhileTaskRan = taskPid == 0 || ProcessIsRunning(taskPid);
    }
    g_fake.displayOffTick = GetTickCount();
    return 1;
}

const PowerCalls kFakePowerCalls = {
    FakeOpenProcessToken,      FakeAdjustTokenPrivileges, FakeInitiateSystemShutdownA,
    FakeSetSystemPowerState,   FakeExitWindowsEx,         FakeLockWorkStation,
    FakeGetProcAddress,        FakeSendMessageTimeoutW,
};

// Counts pulses of the service event on a thread of its own: a pulse reaches
// only a thread that is already waiting.
struct PulseCounter {
    HANDLE event = nullptr;
    HANDLE stop = nullptr;
    HANDLE ready = nullptr;   // set right before the first wait
    HANDLE seen = nullptr;    // released once per pulse
    HANDLE thread = nullptr;
};

DWORD WINAPI CountPulses(void* context)
{
    PulseCounter* counter = static_cast<PulseCounter*>(context);
    HANDLE waits[2] = {counter->event, counter->stop};
    SetEvent(counter->ready);
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
        ReleaseSemaphore(counter->seen, 1, nullptr);
    return 0;
}

void StartPulseCounter(PulseCounter* counter, HANDLE event)
{
    counter->event = event;
    counter->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    counter->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    counter->seen = CreateSemaphoreW(nullptr, 0, 100, nullptr);
    counter->thread = CreateThread(nullptr, 0, CountPulses, counter, 0, nullptr);
    // A pulse reaches only a thread already inside its wait: the thread is
    // running up to it, and a busy machine gets time to let it get there.
    WaitForSingleObject(counter->ready, 5000);
    Sleep(100);
}

int StopPulseCounter(PulseCounter* counter, int expected)
{
    int pulses = 0;
    // An expected pulse may take a moment to be counted; an unexpected one as well.
    while (WaitForSingleObject(counter->seen, pulses < expected ? 2000 : 200) == WAIT_OBJECT_0)
        ++pulses;
    SetEvent(counter->stop);
    WaitForSingleObject(counter->thread, 5000);
    CloseHandle(counter->thread);
    CloseHandle(counter->seen);
    CloseHandle(counter->ready);
    CloseHandle(counter->stop);
    *counter = PulseCounter();
    return pulses;
}

enum Privilege { Enabled, NotAssigned, TokenRefused };
enum Mailbox { Listening, SlotOnly, NoService };

const bool kForce = true;
const bool kNoForce = false;
const bool kTask = true;
const bool kNoTask = false;
const bool kEntry = true;
const bool kNoEntry = false;
const BOOL kRefused = FALSE;
const BOOL kDone = TRUE;

struct RouteRow {
    const char* name;
    ShutdownType action;
    bool force;
    bool performTask;
    Privilege privilege;
    bool suspendEntry;
    BOOL callResult;
    Mailbox mailbox;
    int result;
    const char* calls;               // the power calls made, as recorded
    bool taskStarted;
    const wchar_t* actionMessage;    // null: nothing relayed
    int pulses;
};

const RouteRow kRoutes[] = {
    // Direct: privilege enabled, no task.
    {"no action direct", NoAction, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "", false, nullptr, 0},
    {"shutdown forced", Shutdown, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "InitiateSystemShutdownA(null,null,0,1,0)", false, nullptr, 0},
    {"shutdown unforced", Shutdown, kNoForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "InitiateSystemShutdownA(null,null,0,0,0)", false, nullptr, 0},
    {"restart forced", Restart, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "InitiateSystemShutdownA(null,null,0,1,1)", false, nullptr, 0},
    {"restart unforced", Restart, kNoForce, kNoTask, Enabled, kNoEntry, kDone, Listening, 0, "InitiateSystemShutdownA(null,null,0,0,1)", false, nullptr, 0},
    {"hibernation forced", Hibernation, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "SetSuspendState(1,1,0)", false, nullptr, 0},
    {"hibernation unforced", Hibernation, kNoForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "SetSuspendState(1,0,0)", false, nullptr, 0},
    {"standby forced", Standby, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "SetSuspendState(0,1,0)", false, nullptr, 0},
    {"standby unforced", Standby, kNoForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "SetSuspendState(0,0,0)", false, nullptr, 0},
    {"hibernation without SetSuspendState", Hibernation, kForce, kNoTask, Enabled, kNoEntry, kDone, Listening, 0, "SetSystemPowerState(0,1)", false, nullptr, 0},
    {"standby without SetSuspendState", Standby, kNoForce, kNoTask, Enabled, kNoEntry, kDone, Listening, 0, "SetSystemPowerState(1,0)", false, nullptr, 0},
    {"standby forced without SetSuspendState", Standby, kForce, kNoTask, Enabled, kNoEntry, kDone, NoService, 0, "SetSystemPowerState(1,1)", false, nullptr, 0},
    // Direct calls refused: the action's own value, never a relay.
    {"shutdown refused", Shutdown, kForce, kNoTask, Enabled, kEntry, kRefused, Listening, 1, "InitiateSystemShutdownA(null,null,0,1,0)", false, nullptr, 0},
    {"hibernation refused", Hibernation, kNoForce, kNoTask, Enabled, kEntry, kRefused, Listening, 2, "SetSuspendState(1,0,0)", false, nullptr, 0},
    {"hibernation refused without entry", Hibernation, kForce, kNoTask, Enabled, kNoEntry, kRefused, Listening, 2, "SetSystemPowerState(0,1)", false, nullptr, 0},
    {"standby refused", Standby, kForce, kNoTask, Enabled, kNoEntry, kRefused, Listening, 3, "SetSystemPowerState(1,1)", false, nullptr, 0},
    {"restart refused", Restart, kNoForce, kNoTask, Enabled, kEntry, kRefused, Listening, 4, "InitiateSystemShutdownA(null,null,0,0,1)", false, nullptr, 0},
    {"no action cannot be refused", NoAction, kNoForce, kNoTask, Enabled, kEntry, kRefused, Listening, 0, "", false, nullptr, 0},
    {"negative action direct", -3, kForce, kNoTask, Enabled, kEntry, kRefused, Listening, 0, "", false, nullptr, 0},
    // Log off and lock: always direct, never a task, results not examined.
    {"log off forced", LogOff, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "ExitWindowsEx(4,0)", false, nullptr, 0},
    {"log off unforced", LogOff, kNoForce, kNoTask, NotAssigned, kEntry, kDone, Listening, 0, "ExitWindowsEx(0,0)", false, nullptr, 0},
    {"log off with task", LogOff, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "ExitWindowsEx(4,0)", false, nullptr, 0},
    {"log off refused", LogOff, kNoForce, kTask, TokenRefused, kEntry, kRefused, Listening, 0, "ExitWindowsEx(0,0)", false, nullptr, 0},
    {"lock", StationLock, kForce, kNoTask, Enabled, kEntry, kDone, Listening, 0, "LockWorkStation()", false, nullptr, 0},
    {"lock with task", StationLock, kNoForce, kTask, Enabled, kEntry, kDone, Listening, 0, "LockWorkStation()", false, nullptr, 0},
    {"lock refused", StationLock, kForce, kTask, NotAssigned, kEntry, kRefused, NoService, 0, "LockWorkStation()", false, nullptr, 0},
    {"action 7 with task", 7, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", false, nullptr, 0},
    {"action 7 without task", 7, kNoForce, kNoTask, NotAssigned, kEntry, kDone, Listening, 0, "", false, nullptr, 0},
    {"large action", 1000, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", false, nullptr, 0},
    // Relay with the task: wait message, action message, one pulse.
    {"no action relayed forced", NoAction, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", true, L"NoAction;true;", 1},
    {"no action relayed", NoAction, kNoForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", true, L"NoAction;false;", 1},
    {"shutdown relayed", Shutdown, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", true, L"Shutdown;true;", 1},
    {"hibernation relayed", Hibernation, kNoForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", true, L"Hibernate;false;", 1},
    {"standby relayed", Standby, kForce, kTask, NotAssigned, kNoEntry, kDone, Listening, 0, "", true, L"Standby;true;", 1},
    {"restart relayed", Restart, kNoForce, kTask, TokenRefused, kEntry, kDone, Listening, 0, "", true, L"Reboot;false;", 1},
    {"negative action relayed", -1, kForce, kTask, Enabled, kEntry, kDone, Listening, 0, "", true, L"NoAction;true;", 1},
    {"relay without service", Shutdown, kForce, kTask, Enabled, kEntry, kDone, NoService, 7, "", true, nullptr, 0},
    {"relay without event", Hibernation, kForce, kTask, Enabled, kEntry, kDone, SlotOnly, 0, "", true, L"Hibernate;true;", 0},
    // Relay because the privilege is not available: no task, since none is configured.
    {"shutdown, privilege not assigned", Shutdown, kForce, kNoTask, NotAssigned, kEntry, kDone, Listening, 0, "", false, L"Shutdown;true;", 1},
    {"no action, privilege not assigned", NoAction, kNoForce, kNoTask, NotAssigned, kEntry, kDone, Listening, 0, "", false, L"NoAction;false;", 1},
    {"restart, token refused", Restart, kForce, kNoTask, TokenRefused, kEntry, kDone, Listening, 0, "", false, L"Reboot;true;", 1},
    {"standby, privilege not assigned, no service", Standby, kNoForce, kNoTask, NotAssigned, kEntry, kDone, NoService, 7, "", false, nullptr, 0},
    {"hibernation, privilege not assigned, no event", Hibernation, kNoForce, kNoTask, NotAssigned, kNoEntry, kDone, SlotOnly, 0, "", false, L"Hibernate;false;", 0},
};

bool ReachesPrivilegeStep(const RouteRow& row)
{
    return row.action < LogOff && !row.performTask;
}

class PowerDownRoutes : public testing::Test {
protected:
    void SetUp() override
    {
        g_fake = FakeSystem();
        g_powerCalls = kFakePowerCalls;
        ResetCountdownState(g_countdown);
        ResetSaverSettings(g_settings);
    }
    void TearDown() override
    {
        g_powerCalls = kSystemPowerCalls;
        if (g_countdown.serviceEvent)
            CloseHandle(g_countdown.serviceEvent);
        ResetCountdownState(g_countdown);
        ResetSaverSettings(g_settings);
    }
};

// The relayed action message arrives with every configured task's wait message first.
std::vector<std::vector<unsigned char>> ExpectedWire(const RouteRow& row, DWORD taskPid)
{
    std::vector<std::vector<unsigned char>> wire;
    if (row.mailbox == NoService)
        return wire;
    if (row.taskStarted)
        wire.push_back(WireBytes(L"WaitFor:" + std::to_wstring(taskPid) + L";true;"));
    if (row.actionMessage)
        wire.push_back(WireBytes(row.actionMessage));
    return wire;
}

TEST_F(PowerDownRoutes, EveryActionAndSetting)
{
    std::vector<std::wstring> unstartedTasks;
    int index = 0;
    for (const RouteRow& row : kRoutes) {
        SCOPED_TRACE(row.name);
        g_fake = FakeSystem();
        g_fake.callResult = row.callResult;
        g_fake.tokenOpens = row.privilege != TokenRefused;
        g_fake.privilegeError = row.privilege == NotAssigned ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
        ResetCountdownState(g_countdown);
        g_countdown.suspendEntry = row.suspendEntry ? FakeSetSuspendState : nullptr;
        g_settings.perform_task = row.performTask;
        // Every row has a task configured: perform_task alone decides whether it runs.
        const std::wstring pidFile = ScratchPath((L"route-" + std::to_wstring(index++) + L".pid").c_str());
        wcscpy(g_settings.task_job, TaskProbeCommand(pidFile, 0).c_str());

        CompanionMailbox mailbox;
        ASSERT_TRUE(CreateCompanionMailbox(&mailbox, row.mailbox != NoService, row.mailbox == Listening));
        PulseCounter counter;
        if (mailbox.event)
            StartPulseCounter(&counter, mailbox.event);

        const int result = PowerDown(row.action, row.force);

        const auto messages = ReadQueuedMessages(mailbox.slot);
        const int pulses = mailbox.event ? StopPulseCounter(&counter, row.pulses) : 0;
        const HANDLE keptEvent = g_countdown.serviceEvent;
        CloseCompanionMailbox(&mailbox);

        EXPECT_EQ(row.result, result);
        EXPECT_EQ(std::string(row.calls), g_fake.calls);
        EXPECT_EQ(row.pulses, pulses);
        // The event opened for the relay is kept for the window to close.
        EXPECT_EQ(row.mailbox == Listening && row.actionMessage, keptEvent != nullptr);

        DWORD taskPid = 0;
        if (row.taskStarted) {
            taskPid = WaitForTaskPid(pidFile, 10000);
            EXPECT_NE(0u, taskPid) << "the task was not started";
        } else {
            unstartedTasks.push_back(pidFile);
        }
        const auto expected = ExpectedWire(row, taskPid);
        EXPECT_EQ(expected.size(), messages.size());
        for (size_t i = 0; i < expected.size() && i < messages.size(); ++i)
            EXPECT_EQ(expected[i], messages[i]) << Utf16Text(messages[i]).c_str();

        // The token is asked for only on the direct route, and never left open.
        EXPECT_EQ(ReachesPrivilegeStep(row) ? 1 : 0, g_fake.tokenOpenCount);
        EXPECT_EQ(ReachesPrivilegeStep(row) && row.privilege != TokenRefused,
                  !g_fake.adjustArguments.empty());
        if (g_fake.openedToken) {
            DWORD flags = 0;
            bool stillOpen = GetHandleInformation(g_fake.openedToken, &flags) &&
                             g_fake.openedToken != keptEvent;
            EXPECT_FALSE(stillOpen) << "the process token was left open";
        }
        if (g_countdown.serviceEvent)
            CloseHandle(g_countdown.serviceEvent);
        g_countdown.serviceEvent = nullptr;
    }
    // A task that was wrongly started has had time to write its id by now.
    Sleep(500);
    for (const std::wstring& pidFile : unstartedTasks)
        EXPECT_EQ(0u, WaitForTaskPid(pidFile, 0)) << "task started: " << std::string(pidFile.begin(), pidFile.end());
}

TEST_F(PowerDownRoutes, EnablesTheShutdownPrivilegeInItsOwnToken)
{
    LUID shutdownLuid = {};
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdownLuid));
    EXPECT_EQ(0, PowerDown(NoAction, true));
    char expected[160];
    snprintf(expected, sizeof(expected), "token opened, disableAll 0, count 1, luid %lu:%ld, "
             "attributes %lu, length 0, previous null, returnLength null",
             shutdownLuid.LowPart, shutdownLuid.HighPart,
             static_cast<unsigned long>(SE_PRIVILEGE_ENABLED));
    EXPECT_EQ(std::string(expected), g_fake.adjustArguments);
}

TEST_F(PowerDownRoutes, AnyErrorAfterAdjustingMeansNoPrivilege)
{
    const DWORD errors[] = {ERROR_NOT_ALL_ASSIGNED, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE};
    for (DWORD error : errors) {
        SCOPED_TRACE(testing::Message() << "last error " << error);
        g_fake = FakeSystem();
        g_fake.privilegeError = error;
        // No companion service: a relay shows itself as result 7.
        EXPECT_EQ(7, PowerDown(Shutdown, true));
        EXPECT_EQ("", g_fake.calls);
    }
}

TEST_F(PowerDownRoutes, UsesAnEventThatIsAlreadyOpen)
{
    CompanionMailbox mailbox;
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox));
    g_countdown.serviceEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, kCompanionEventName);
    ASSERT_TRUE(g_countdown.serviceEvent != nullptr);
    const HANDLE opened = g_countdown.serviceEvent;
    PulseCounter counter;
    StartPulseCounter(&counter, mailbox.event);
    g_settings.perform_task = true;
    EXPECT_EQ(0, PowerDown(Standby, false));
    EXPECT_EQ(1, StopPulseCounter(&counter, 1));
    EXPECT_EQ(opened, g_countdown.serviceEvent);
    CloseCompanionMailbox(&mailbox);
}

// Not a test of PowerDown's choices but of the platform under it: the real
// token calls, with every power call still recorded. Whatever the system
// answers about the privilege, PowerDown must follow that answer.
TEST(PowerDownRealToken, FollowsWhatTheSystemSaysAboutThePrivilege)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    BOOL adjusted = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(token);
    printf("AdjustTokenPrivileges(SeShutdownPrivilege) returned %d, last error %lu\n", adjusted, error);

    PowerCalls calls = kFakePowerCalls;
    calls.openProcessToken = kSystemPowerCalls.openProcessToken;
    calls.adjustTokenPrivileges = kSystemPowerCalls.adjustTokenPrivileges;
    g_powerCalls = calls;
    g_fake = FakeSystem();
    ResetCountdownState(g_countdown);
    ResetSaverSettings(g_settings);
    const int result = PowerDown(Restart, false);
    g_powerCalls = kSystemPowerCalls;
    if (error == ERROR_SUCCESS) {
        EXPECT_EQ(0, result);
        EXPECT_EQ("InitiateSystemShutdownA(null,null,0,0,1)", g_fake.calls);
    } else {
        EXPECT_EQ(7, result);  // relayed, and no companion service here
        EXPECT_EQ("", g_fake.calls);
    }
    if (g_countdown.serviceEvent)
        CloseHandle(g_countdown.serviceEvent);
    ResetCountdownState(g_countdown);
}

struct VerdictRow {
    const char* name;
    bool entry;          // powrprof.dll has GetPwrCapabilities
    BOOLEAN result;
    BOOLEAN systemS3;
    BYTE aoac;
    bool s0LowPowerIdleOnly;
};

const VerdictRow kVerdicts[] = {
    {"S0 low-power idle only", true, TRUE, FALSE, TRUE, true},
    {"S0 low-power idle and S3", true, TRUE, TRUE, TRUE, false},
    {"S3 only", true, TRUE, TRUE, FALSE, false},
    {"neither, as Wine answers", true, TRUE, FALSE, FALSE, false},
    {"the call fails", true, FALSE, FALSE, TRUE, false},
    {"no GetPwrCapabilities", false, TRUE, FALSE, TRUE, false},
};

TEST(S0LowPowerIdleVerdict, FromThePowerCapabilities)
{
    for (const VerdictRow& row : kVerdicts) {
        SCOPED_TRACE(row.name);
        g_fake = FakeSystem();
        g_fake.capabilitiesResult = row.result;
        g_fake.systemS3 = row.systemS3;
        g_fake.aoac = row.aoac;
        EXPECT_EQ(row.s0LowPowerIdleOnly, OnlyS0LowPowerIdle(row.entry ? FakeGetPwrCapabilities : nullptr));
        EXPECT_TRUE(g_fake.capabilitiesArrivedZeroed);
    }
}

// The saver's own framework and window in this process, full screen on the test
// display, on a machine that sleeps in S0 low-power idle only: every power call
// is recorded, the task and the mailbox are real.
class StandbyWithoutS3 : public testing::Test {
protected:
    void SetUp() override
    {
        g_fake = FakeSystem();
        g_fake.systemS3 = FALSE;
        g_fake.aoac = TRUE;
        g_powerCalls = kFakePowerCalls;
        ResetCountdownState(g_countdown);
        ASSERT_TRUE(CreateCompanionMailbox(&mailbox_));
    }
    void TearDown() override
    {
        g_powerCalls = kSystemPowerCalls;
        CloseCompanionMailbox(&mailbox_);
        RemoveSettingsFile();
        ResetCountdownState(g_countdown);
        ResetSaverSettings(g_settings);
    }

    // Ends the saver a while after the display went off, to see that nothing
    // follows; or, when it does not go off, after a generous wait.
    static void CALLBACK EndWhenSettled(HWND, UINT, UINT_PTR, DWORD)
    {
        const DWORD now = GetTickCount();
        const bool settled = g_fake.displayOffTick && now - g_fake.displayOffTick > 1500;
        if (settled || now - startedAt_ > 15000)
            PostMessageW(FindWindowW(kSaverClassName, kSaverWindowTitle), WM_CLOSE, 0, 0);
    }

    void RunSaver()
    {
        ASSERT_EQ(nullptr, FindWindowW(kSaverClassName, kSaverWindowTitle)) << "a saver is still running";
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        const ScreenSaverDialog noDialog = {nullptr, nullptr, 0};
        startedAt_ = GetTickCount();
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, EndWhenSettled);
        EXPECT_EQ(0, RunScreenSaver(instance, L"power_tests.exe /s", noDialog));
        KillTimer(nullptr, timer);
        UnregisterClassW(kSaverClassName, instance);
        ShowCursor(TRUE);
    }

    // What the display-off call looks like, from the platform's own constants.
    static std::string DisplayOffCall()
    {
        char call[160];
        snprintf(call, sizeof(call), "SendMessageTimeoutW(HWND_BROADCAST,%u,%lu,2,%u,2000,null)",
                 WM_SYSCOMMAND, static_cast<unsigned long>(SC_MONITORPOWER), SMTO_ABORTIFHUNG);
        return call;
    }

    CompanionMailbox mailbox_;
    static DWORD startedAt_;
};

DWORD StandbyWithoutS3::startedAt_ = 0;

// With the privilege at hand, the direct route would have called SetSuspendState.
TEST_F(StandbyWithoutS3, TurnsTheDisplayOffInsteadOfSuspending)
{
    ASSERT_TRUE(WriteSaverSettings(Standby, true, 0, false, L""));
    RunSaver();
    EXPECT_EQ(DisplayOffCall(), g_fake.calls);
    EXPECT_TRUE(ReadQueuedMessages(mailbox_.slot).empty());
}

TEST_F(StandbyWithoutS3, TurnsTheDisplayOffOnceTheTaskHasEnded)
{
    const std::wstring pidFile = ScratchPath(L"s0-standby-task.pid");
    ASSERT_TRUE(WriteSaverSettings(Standby, false, 0, true, TaskProbeCommand(pidFile, 2)));
    g_fake.taskPidFile = pidFile;
    RunSaver();
    EXPECT_EQ(DisplayOffCall(), g_fake.calls);
    EXPECT_FALSE(g_fake.displayOffWhileTaskRan);
    // The service waits for nothing and does nothing: the saver has done it all.
    EXPECT_TRUE(ReadQueuedMessages(mailbox_.slot).empty());
}

}  // namespace

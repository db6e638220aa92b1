// The companion service in Wine's service control manager: its installation,
// and its test build (power calls recorded, not made) serving the mailbox for
// the real Dusklatch.scr, for datagrams written by hand, and for svcctl.
#include "power_test_support.h"
#include "tool_process_support.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <wtsapi32.h>
#include <reason.h>
#include <shlobj.h>

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\DusklatchService";
const wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DusklatchService";

// A value under HKLM as "<type> <text>", "(missing)" when absent.
std::wstring MachineValue(const wchar_t* key, const wchar_t* name)
{
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    if (!ReadRegistryValue(HKEY_LOCAL_MACHINE, key, name, &type, &bytes))
        return L"(missing)";
    return std::to_wstring(type) + L" " + Utf16Text(bytes);
}

// The recording build's file of "call <tick> ..." and "log <tick> <line>" lines.
std::wstring RecordFile()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE);
    return std::wstring(folder) + L"\\DusklatchServiceTest\\record.txt";
}

std::vector<std::string> Records(const char* kind)
{
    std::vector<unsigned char> bytes;
    ReadFileBytes(RecordFile(), &bytes);
    std::vector<std::string> lines;
    std::string text(bytes.begin(), bytes.end());
    const std::string prefix = std::string(kind) + " ";
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        if (text.compare(start, prefix.size(), prefix) == 0)
            lines.push_back(text.substr(start, end - start));
    return lines;
}

DWORD RecordTick(const std::string& line)
{
    return strtoul(line.c_str() + line.find(' ') + 1, nullptr, 10);
}

// True when a log line holding text came within the time.
bool WaitForLog(const std::string& text, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount();; Sleep(20)) {
        for (const std::string& line : Records("log"))
            if (line.find(text) != std::string::npos)
                return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
    }
}

std::string Log()
{
    std::string text;
    for (const std::string& line : Records("log"))
        text += line + "\n";
    return text;
}

HANDLE OpenMailbox()
{
    return CreateFileW(L"\\\\.\\mailslot\\Orvanta\\Dusklatch\\mailbox", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One datagram into the mailbox, as any program allowed to write it could.
bool WriteDatagram(const std::vector<unsigned char>& bytes)
{
    HANDLE mailbox = OpenMailbox();
    if (mailbox == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool complete = WriteFile(mailbox, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(mailbox);
    return complete;
}

// The service process's private bytes, found through the service control
// manager; 0 when they cannot be read.
SIZE_T ServicePrivateBytes(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceW(manager, L"DusklatchService", SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    bool found = service && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                                 sizeof(status), &needed);
    if (service)
        CloseServiceHandle(service);
    if (!found || !status.dwProcessId)
        return 0;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, status.dwProcessId);
    if (!process)
        return 0;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters)))
        counters.PagefileUsage = 0;
    CloseHandle(process);
    return counters.PagefileUsage;
}

// "YYYY-MM-DD hh:mm:ss", which sorts as the times do.
std::string TimeText(const SYSTEMTIME& time)
{
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute, time.wSecond);
    return text;
}

// The record of a forced shutdown relayed by the screen saver: a planned
// shutdown for another reason, as the platform's reason.h spells it.
std::string ForcedShutdownCall()
{
    char reason[16];
    snprintf(reason, sizeof(reason), "%08lx",
             static_cast<unsigned long>(SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_OTHER |
                                        SHTDN_REASON_MINOR_OTHER));
    return std::string("InitiateSystemShutdownExW timeout=0 force=1 reboot=0 reason=") + reason +
           " machine=(null) message=(null)";
}
// The recorded power calls without their ticks.
std::vector<std::string> CallsMade()
{
    std::vector<std::string> calls;
    for (const std::string& line : Records("call"))
        calls.push_back(line.substr(line.find(' ', 5) + 1));
    return calls;
}

class CompanionService : public testing::Test {
protected:
    void SetUp() override
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager_);
        ASSERT_TRUE(RemoveCompanionService(manager_));
        DeleteFileW(RecordFile().c_str());
    }

    void TearDown() override
    {
        EndFullScreenSaver(&saver_);
        StopCompanion(&companion_);
        EXPECT_TRUE(RemoveCompanionService(manager_));
        if (taskPid_)
            EndProcessById(taskPid_);
        CloseServiceHandle(manager_);
        RemoveSettingsFile();
        RemovePolicyKey();
    }

    // The test build (or a copy of it), installed by its own command and started by svcctl.
    void StartRecorder(const std::wstring& program = BinPath(L"dusklatch_service_recorder.exe"))
    {
        ASSERT_EQ("Service DusklatchService installed.\r\n", RunProcess(Quoted(program) + L" install").output);
        ASSERT_EQ("Service start pending...\r\nService started successfully.\r\n",
                  RunTool(L"svcctl.exe", L"start").output);
        ASSERT_TRUE(WaitForLog("Service started.", 5000));
    }

    // The real screen saver relays a forced shutdown at once, after starting
    // a task that lives for the given seconds.
    void RelayShutdownFromSaver(int taskSeconds)
    {
        const std::wstring pidFile = ScratchPath(L"service-task.pid");
        ASSERT_TRUE(WriteSaverSettings(1, true, 0, true, TaskProbeCommand(pidFile, taskSeconds)));
        ASSERT_TRUE(StartFullScreenSaver(&saver_));
        taskPid_ = WaitForTaskPid(pidFile, 10000);
        ASSERT_NE(0u, taskPid_);
    }

    SC_HANDLE manager_ = nullptr;
    SaverRun saver_;
    CompanionProcess companion_;
    DWORD taskPid_ = 0;
};

TEST_F(CompanionService, InstallUpdatesAndUninstallRemovesServiceAndEventSource)
{
    for (const wchar_t* program : {L"DusklatchService.exe", L"dusklatch_service_recorder.exe"}) {
        ProcessResult result = RunTool(program, L"install");
        EXPECT_EQ(program[0] == L'D' ? "Service DusklatchService installed.\r\n"
                                     : "Service DusklatchService updated.\r\n",
                  result.output);
        EXPECT_EQ(0u, result.exitCode);
        const std::wstring nul(1, L'\0');
        EXPECT_NE(std::wstring::npos, MachineValue(kServiceKey, L"ImagePath").find(Quoted(BinPath(program)) + nul));
        const std::string description = kCompanionDescription;
        EXPECT_EQ(L"1 " + std::wstring(description.begin(), description.end()) + nul,
                  MachineValue(kServiceKey, L"Description"));
        EXPECT_EQ(L"2 " + BinPath(program) + nul, MachineValue(kEventSourceKey, L"EventMessageFile"));  // REG_EXPAND_SZ
    }
    ProcessResult result = RunTool(L"DusklatchService.exe", L"uninstall");
    EXPECT_EQ("Service DusklatchService removed.\r\n", result.output);
    EXPECT_EQ(0u, CompanionServiceState(manager_));
    EXPECT_EQ(L"(missing)", MachineValue(kEventSourceKey, L"EventMessageFile"));
    result = RunTool(L"DusklatchService.exe", L"uninstall");
    EXPECT_EQ("Service DusklatchService is not installed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
}

TEST_F(CompanionService, DoesNotStartWhenAnotherProcessOwnsTheMailbox)
{
    ASSERT_TRUE(StartCompanion(&companion_, L"service-taken.records"));
    ASSERT_EQ(0u, RunTool(L"dusklatch_service_recorder.exe", L"install").exitCode);
    EXPECT_EQ("Service start pending...\r\nService not started. \r\n  Current State: 1\r\n"
              "  Exit Code: 183\r\n  Check Point: 0\r\n  Wait Hint: 0\r\n",
              RunTool(L"svcctl.exe", L"start").output);
}

TEST_F(CompanionService, RelayedShutdownIsCarriedOutOnceAfterTheTaskAndNoActionCallsNothing)
{
    StartRecorder();
    RelayShutdownFromSaver(2);
    HANDLE task = OpenProcess(SYNCHRONIZE, FALSE, taskPid_);
    ASSERT_NE(nullptr, task);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(task, 10000));
    const DWORD taskEnded = GetTickCount();
    CloseHandle(task);
    ASSERT_TRUE(WaitForLog("Shutdown, forced: InitiateSystemShutdownExW", 5000)) << Log();
    // With the saver still on screen, "NoAction" is accepted and does nothing.
    ASSERT_TRUE(WriteDatagram(WireBytes(L"NoAction;true;")));
    EXPECT_TRUE(WaitForLog("NoAction, forced: nothing to do.", 5000)) << Log();
    std::vector<std::string> calls = Records("call");
    ASSERT_EQ(1u, calls.size());
    EXPECT_NE(std::string::npos, calls[0].find(" " + ForcedShutdownCall()))
        << calls[0];
    // Not waiting would have called about two seconds before the task's end.
    EXPECT_GE(RecordTick(calls[0]) + 250, taskEnded) << Log();
}

TEST_F(CompanionService, WithoutARunningSaverDatagramsAreRefusedAndTheLoopGoesOn)
{
    StartRecorder();
    ASSERT_EQ(nullptr, FindWindowW(L"WindowsScreenSaverClass", nullptr));
    // No pulse follows: the service finds them on its own.
    ASSERT_TRUE(WriteDatagram(Utf16Bytes(L"Shutdown;true;")));
    ASSERT_TRUE(WriteDatagram(WireBytes(L"Shutdown;true;")));
    EXPECT_TRUE(WaitForLog("Refused Shutdown;true;: no Dusklatch.scr is running.", 5000)) << Log();
    EXPECT_TRUE(WaitForLog("Refused a message of 28 bytes (no terminating NUL): "
                           "530068007500740064006f0077006e003b0074007200750065003b00",
                           0))
        << Log();
    EXPECT_TRUE(Records("call").empty());
}

// A relay is weighed again right before the call: another user's
// disconnected session, handed in through the terminal-services stand-in
// beside the service, holds it; with nobody else signed in it goes ahead.
TEST_F(CompanionService, RelayedShutdownIsHeldWhileAnotherUserIsSignedIn)
{
    // A folder of this prefix's own: other groups of tests use the stand-in's
    // folder in the build at the same time.
    const std::wstring folder = ScratchPath(L"service-standin");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring service = folder + L"\\dusklatch_service_recorder.exe";
    const std::wstring sessions = folder + L"\\sessions.txt";
    ASSERT_TRUE(CopyFileW(BinPath(L"dusklatch_service_recorder.exe").c_str(), service.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(BinPath(L"sessions-standin\\wtsapi32.dll").c_str(), (folder + L"\\wtsapi32.dll").c_str(),
                          FALSE));
    const std::string line = "5 " + std::to_string(WTSDisconnected) + " ana\n";
    ASSERT_TRUE(WriteFileBytes(sessions, std::vector<unsigned char>(line.begin(), line.end())));
    PreferLocalLibrary(L"dusklatch_service_recorder.exe", L"wtsapi32", true);
    StartRecorder(service);

    RelayShutdownFromSaver(1);
    EXPECT_TRUE(WaitForLog("Shutdown;true; is not carried out: held while ana is signed in.", 10000)) << Log();
    EXPECT_TRUE(CallsMade().empty()) << Log();
    EndFullScreenSaver(&saver_);

    ASSERT_TRUE(DeleteFileW(sessions.c_str()));
    RelayShutdownFromSaver(1);
    EXPECT_TRUE(WaitForLog("Nothing holds Shutdown;true;: it is carried out.", 10000)) << Log();
    EXPECT_TRUE(WaitForLog("Shutdown, forced: InitiateSystemShutdownExW succeeded", 5000)) << Log();
    EXPECT_EQ(std::vector<std::string>({ForcedShutdownCall()}), CallsMade());
    PreferLocalLibrary(L"dusklatch_service_recorder.exe", L"wtsapi32", false);
}

TEST_F(CompanionService, StopEndsTheWaitForATaskAtOnce)
{
    StartRecorder();
    RelayShutdownFromSaver(60);
    ASSERT_TRUE(WaitForLog("Waiting for process " + std::to_string(taskPid_), 10000)) << Log();
    const DWORD start = GetTickCount();
    EXPECT_EQ("Service stopped successfully\r\n", RunTool(L"svcctl.exe", L"stop").output);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(WaitForLog("Stopped while waiting for process", 0)) << Log();
    EXPECT_TRUE(Records("call").empty());
    EXPECT_TRUE(ProcessIsRunning(taskPid_)) << "the task is the user's, and is left alone";
}

TEST_F(CompanionService, RefusalsOnlyCountedAreSummedUpWhenTheServiceStops)
{
    StartRecorder();
    const std::vector<unsigned char> forged = Utf16Bytes(L"Reboot;false;");
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(WriteDatagram(forged)) << i;
    // The 32nd entry; the other 8 are read in the same pass, moments later.
    for (DWORD start = GetTickCount(); Records("log").size() < 33 && GetTickCount() - start < 5000;)
        Sleep(20);
    Sleep(500);
    EXPECT_EQ("Service stopped successfully\r\n", RunTool(L"svcctl.exe", L"stop").output);
    const std::vector<std::string> lines = Records("log");
    ASSERT_LE(2u, lines.size());
    EXPECT_NE(std::string::npos, lines[lines.size() - 2].find("Datagrams refused without an entry of their own since "))
        << Log();
    EXPECT_NE(std::string::npos, lines[lines.size() - 2].find(" (local time): 8.")) << Log();
    EXPECT_NE(std::string::npos, lines.back().find("Service stopped.")) << Log();
}

// Waits for the end of a minute: a fixture of its own name, so that it can run
// in a prefix of its own beside the rest.
class CompanionServiceFlood : public CompanionService {};

// Everything a datagram causes shares the budget: refused ones, well-formed
// ones refused for want of a screen saver, waits for processes that do not
// exist.
TEST_F(CompanionServiceFlood, EntriesBeyondThirtyTwoAMinuteAreSummedUpOnceAndNothingElseIsHeldBack)
{
    // Any user may have written this file (its owner here is the test's
    // user): its minutes are ignored, so the minute passes without a shutdown.
    ASSERT_TRUE(WriteSettingsLines({L"[Dusklatch]", L"shutdown_when_nobody_signed_in=1"}));
    StartRecorder();
    EXPECT_TRUE(WaitForLog("shutdown_when_nobody_signed_in=1 in the settings file is ignored: users other than "
                           "administrators may change the file.",
                           5000))
        << Log();
    const SIZE_T privateBefore = ServicePrivateBytes(manager_);
    ASSERT_NE(0u, privateBefore);
    const int kFlood = 3000;
    // A shutdown without its terminating NUL, refused by the check; then two
    // floods of the right form. Process ids are multiples of four.
    const std::string forgedHex = "530068007500740064006f0077006e003b0074007200750065003b00";
    const std::vector<std::vector<unsigned char>> floods = {
        Utf16Bytes(L"Shutdown;true;"), WireBytes(L"NoAction;false;"), WireBytes(L"WaitFor:4294967293;true;")};
    SYSTEMTIME floodStart;
    GetLocalTime(&floodStart);
    HANDLE mailbox = OpenMailbox();
    ASSERT_NE(INVALID_HANDLE_VALUE, mailbox);
    int written = 0;
    for (const std::vector<unsigned char>& datagram : floods)
        for (DWORD size = 0, i = 0; i < kFlood && WriteFile(mailbox, datagram.data(), static_cast<DWORD>(datagram.size()),
                                                            &size, nullptr) && size == datagram.size(); ++i)
            ++written;
    CloseHandle(mailbox);
    ASSERT_EQ(3 * kFlood, written) << "error " << GetLastError();
    // The 32nd entry, and the first datagram left out right after it.
    for (DWORD start = GetTickCount(); Records("log").size() < 34 && GetTickCount() - start < 10000;)
        Sleep(20);
    Sleep(200);
    SYSTEMTIME floodEnd;
    GetLocalTime(&floodEnd);

    const std::string summaryText = "Datagrams refused without an entry of their own since ";
    ASSERT_TRUE(WaitForLog(summaryText, 70000)) << Log();
    const SIZE_T privateAfter = ServicePrivateBytes(manager_);
    size_t entries = 0;
    std::vector<std::string> summaries;
    DWORD firstEntry = 0;
    for (const std::string& line : Records("log")) {
        if (line.find("Refused a message of 28 bytes (no terminating NUL): " + forgedHex) != std::string::npos &&
            !entries++)
            firstEntry = RecordTick(line);
        if (line.find(summaryText) != std::string::npos)
            summaries.push_back(line);
    }
    // 32 entries a minute for all of them (the first flood's), and the rest
    // named by one summary.
    EXPECT_EQ(32u, entries) << Log();
    EXPECT_EQ(35u, Records("log").size()) << "started, the file's minutes ignored, 32 entries, the summary";
    ASSERT_EQ(1u, summaries.size()) << Log();
    const std::string& summary = summaries[0];
    const size_t since = summary.find(summaryText) + summaryText.size();
    EXPECT_EQ(" (local time): " + std::to_string(3 * kFlood - 32) + ".", summary.substr(since + 19)) << summary;
    EXPECT_LE(TimeText(floodStart), summary.substr(since, 19)) << summary;
    EXPECT_GE(TimeText(floodEnd), summary.substr(since, 19)) << summary;
    // Once the minute is over, at the next wake-up of the loop.
    EXPECT_GE(RecordTick(summary) - firstEntry, 60000u) << Log();
    EXPECT_LE(RecordTick(summary) - firstEntry, 63000u) << Log();
    // Fixed buffers throughout: a flood leaves nothing behind.
    EXPECT_NE(0u, privateAfter);
    EXPECT_LT(privateAfter, privateBefore + 256 * 1024);
    // More than a minute with nobody signed in: nothing was carried out.
    EXPECT_TRUE(CallsMade().empty()) << Log();

    // A new minute has entries again, and a relay from the real screen saver
    // is carried out as ever.
    ASSERT_TRUE(WriteDatagram(WireBytes(L"NoAction;true;")));
    EXPECT_TRUE(WaitForLog("Refused NoAction;true;: no Dusklatch.scr is running.", 5000)) << Log();
    RelayShutdownFromSaver(1);
    ASSERT_TRUE(WaitForLog("Shutdown, forced: InitiateSystemShutdownExW", 10000)) << Log();
    EXPECT_EQ(std::vector<std::string>({ForcedShutdownCall()}), CallsMade());
}

// Wine lists no session at all, so nobody has been signed in since the
// service started: with the logon profile's policy at one minute, the service
// shuts the computer down at its first look, once, after an entry of its own.
// Kept apart from the other service tests: it waits more than a minute.
class CompanionServiceNobodySignedIn : public CompanionService {};

TEST_F(CompanionServiceNobodySignedIn, ShutsDownOnceAfterTheConfiguredMinute)
{
    ASSERT_TRUE(AddPolicyValue(L"\\Logon", L"shutdown_when_nobody_signed_in", L"REG_DWORD", L"1"));
    StartRecorder();
    DWORD started = 0;
    for (const std::string& line : Records("log"))
        if (line.find("Service started.") != std::string::npos)
            started = RecordTick(line);
    for (DWORD waited = GetTickCount(); Records("call").empty() && GetTickCount() - waited < 140000;)
        Sleep(250);
    Sleep(1000);  // time for a second call, were one to follow at once
    const std::vector<std::string> calls = Records("call");
    ASSERT_EQ(1u, calls.size()) << Log();
    const DWORD after = RecordTick(calls[0]) - started;
    printf("shutdown call %lu ms after the service started\n", static_cast<unsigned long>(after));
    EXPECT_GE(after, 60000u);
    EXPECT_LE(after, 130000u);
    EXPECT_NE(std::string::npos, calls[0].find(" " + ForcedShutdownCall())) << calls[0];
    // Its own entry, then the usual one of the action.
    const std::string log = Log();
    const size_t own = log.find("Nobody has been signed in for 1 minute: the computer is shut down.");
    EXPECT_NE(std::string::npos, own) << log;
    EXPECT_LT(own, log.find("Shutdown, forced: InitiateSystemShutdownExW succeeded")) << log;
}

}  // namespace

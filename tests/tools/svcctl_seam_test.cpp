// svcctl's commands against a scripted service control manager and clock.
// Wine's EnumDependentServicesW always reports no dependents and Wine enforces
// no dependencies, and real waits of 30 s would make slow tests: the dependent
// services, the time-outs and the wrap of the tick counter are played here.
#include "service_control.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace {

struct ScriptedStatus {
    DWORD state;
    DWORD checkPoint;
    DWORD waitHint;
    DWORD exitCode;
    DWORD error;  // nonzero: the call fails with it
};

ScriptedStatus Status(DWORD state, DWORD checkPoint = 0, DWORD waitHint = 0, DWORD exitCode = 0)
{
    return {state, checkPoint, waitHint, exitCode, 0};
}

ScriptedStatus Failure(DWORD error)
{
    return {0, 0, 0, 0, error};
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

struct FakeServiceManager {
    // The script.
    DWORD managerError = 0;
    std::map<std::wstring, DWORD> openErrors;
    // Each query takes the next status; the last one repeats.
    std::map<std::wstring, std::deque<ScriptedStatus>> queries;
    std::map<std::wstring, ScriptedStatus> stopReplies;
    DWORD startError = 0;
    bool hasDependents = false;  // without: the first enumeration succeeds
    DWORD firstEnumError = ERROR_MORE_DATA;
    DWORD secondEnumError = 0;
    std::vector<std::wstring> dependents;
    bool allocationFails = false;
    DWORD now = 0;

    // What happened.
    std::vector<std::string> calls;
    std::vector<std::wstring> handleNames;  // index + 1 is the handle's value
    std::vector<bool> handleOpen;
    int liveBlocks = 0;
    std::wstring output;
    std::wstring description;
    DWORD lastError = 0;

    SC_HANDLE NewHandle(const std::wstring& name)
    {
        handleNames.push_back(name);
        handleOpen.push_back(true);
        return reinterpret_cast<SC_HANDLE>(static_cast<ULONG_PTR>(handleNames.size()));
    }
    const std::wstring& Name(SC_HANDLE handle) const
    {
        return handleNames.at(reinterpret_cast<ULONG_PTR>(handle) - 1);
    }
    int OpenHandles() const
    {
        int count = 0;
        for (bool open : handleOpen)
            count += open ? 1 : 0;
        return count;
    }
};

FakeServiceManager* g_fake = nullptr;

std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof(text), "%lX", static_cast<unsigned long>(value));
    return text;
}

SC_HANDLE WINAPI FakeOpenSCManager(LPCWSTR machine, LPCWSTR database, DWORD access)
{
    g_fake->calls.push_back("OpenSCManager(" + std::string(machine ? "remote" : "local") + "," +
                            Narrow(database ? database : L"default") + "," + Hex(access) + ")");
    if (g_fake->managerError) {
        g_fake->lastError = g_fake->managerError;
        return nullptr;
    }
    return g_fake->NewHandle(L"manager");
}

SC_HANDLE WINAPI FakeOpenService(SC_HANDLE, LPCWSTR name, DWORD access)
{
    g_fake->calls.push_back("OpenService(" + Narrow(name) + "," + Hex(access) + ")");
    auto error = g_fake->openErrors.find(name);
    if (error != g_fake->openErrors.end()) {
        g_fake->lastError = error->second;
        return nullptr;
    }
    return g_fake->NewHandle(name);
}

BOOL WINAPI FakeQuery(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size, LPDWORD)
{
    const std::wstring& name = g_fake->Name(service);
    g_fake->calls.push_back("Query(" + Narrow(name) + ")");
    EXPECT_EQ(SC_STATUS_PROCESS_INFO, level);
    EXPECT_EQ(36u, size);
    std::deque<ScriptedStatus>& queue = g_fake->queries[name];
    if (queue.empty()) {
        ADD_FAILURE() << "no status scripted for " << Narrow(name);
        g_fake->lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ScriptedStatus next = queue.front();
    if (queue.size() > 1)
        queue.pop_front();
    if (next.error) {
        g_fake->lastError = next.error;
        return FALSE;
    }
    SERVICE_STATUS_PROCESS* status = reinterpret_cast<SERVICE_STATUS_PROCESS*>(buffer);
    *status = SERVICE_STATUS_PROCESS();
    status->dwCurrentState = next.state;
    status->dwCheckPoint = next.checkPoint;
    status->dwWaitHint = next.waitHint;
    status->dwWin32ExitCode = next.exitCode;
    return TRUE;
}

BOOL WINAPI FakeChangeConfig(SC_HANDLE service, DWORD level, LPVOID info)
{
    g_fake->calls.push_back("Describe(" + Narrow(g_fake->Name(service)) + ")");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONFIG_DESCRIPTION), level);
    g_fake->description = static_cast<SERVICE_DESCRIPTIONW*>(info)->lpDescription;
    return TRUE;
}

BOOL WINAPI FakeStart(SC_HANDLE service, DWORD count, LPCWSTR* arguments)
{
    g_fake->calls.push_back("Start(" + Narrow(g_fake->Name(service)) + ")");
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, arguments);
    g_fake->lastError = g_fake->startError;
    return g_fake->startError == 0;
}

BOOL WINAPI FakeControl(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status)
{
    const std::wstring& name = g_fake->Name(service);
    g_fake->calls.push_back("Stop(" + Narrow(name) + ")");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONTROL_STOP), control);
    auto reply = g_fake->stopReplies.find(name);
    if (reply == g_fake->stopReplies.end()) {
        ADD_FAILURE() << "no stop reply scripted for " << Narrow(name);
        return FALSE;
    }
    if (reply->second.error) {
        g_fake->lastError = reply->second.error;
        return FALSE;
    }
    status->dwCurrentState = reply->second.state;
    status->dwCheckPoint = reply->second.checkPoint;
    status->dwWaitHint = reply->second.waitHint;
    status->dwWin32ExitCode = reply->second.exitCode;
    return TRUE;
}

BOOL WINAPI FakeEnumDependents(SC_HANDLE service, DWORD state, LPENUM_SERVICE_STATUSW services, DWORD size,
                               LPDWORD needed, LPDWORD count)
{
    g_fake->calls.push_back(std::string("Enum(") + (services ? "block" : "none") + ")");
    EXPECT_EQ(L"DusklatchService", g_fake->Name(service));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACTIVE), state);
    DWORD bytes = static_cast<DWORD>(g_fake->dependents.size() * sizeof(ENUM_SERVICE_STATUSW));
    for (const std::wstring& name : g_fake->dependents)
        bytes += static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t));
    if (!services) {
        *count = 0;
        if (!g_fake->hasDependents)
            return TRUE;
        *needed = bytes;
        g_fake->lastError = g_fake->firstEnumError;
        return FALSE;
    }
    if (g_fake->secondEnumError) {
        g_fake->lastError = g_fake->secondEnumError;
        return FALSE;
    }
    EXPECT_GE(size, bytes);
    wchar_t* strings = reinterpret_cast<wchar_t*>(services + g_fake->dependents.size());
    for (size_t i = 0; i < g_fake->dependents.size(); ++i) {
        wcscpy(strings, g_fake->dependents[i].c_str());
        services[i].lpServiceName = strings;
        services[i].lpDisplayName = strings;
        services[i].ServiceStatus.dwCurrentState = SERVICE_RUNNING;
        strings += g_fake->dependents[i].size() + 1;
    }
    *count = static_cast<DWORD>(g_fake->dependents.size());
    return TRUE;
}

BOOL WINAPI FakeClose(SC_HANDLE handle)
{
    size_t index = reinterpret_cast<ULONG_PTR>(handle) - 1;
    g_fake->calls.push_back("Close(" + Narrow(g_fake->Name(handle)) + ")");
    EXPECT_TRUE(g_fake->handleOpen.at(index)) << "closed twice";
    g_fake->handleOpen[index] = false;
    return TRUE;
}

DWORD WINAPI FakeTickCount()
{
    return g_fake->now;
}

void WINAPI FakeSleep(DWORD milliseconds)
{
    g_fake->calls.push_back("Sleep(" + std::to_string(milliseconds) + ")");
    g_fake->now += milliseconds;
}

DWORD WINAPI FakeLastError()
{
    return g_fake->lastError;
}

void* FakeAllocate(size_t bytes)
{
    g_fake->calls.push_back("Allocate(" + std::to_string(bytes) + ")");
    if (g_fake->allocationFails)
        return nullptr;
    ++g_fake->liveBlocks;
    return calloc(1, bytes);
}

void FakeFree(void* block)
{
    g_fake->calls.push_back("Free");
    --g_fake->liveBlocks;
    free(block);
}

void FakePrint(const wchar_t* text)
{
    g_fake->output += text;
}

const ServiceControlApi kFakeApi = {
    FakeOpenSCManager, FakeOpenService, FakeQuery,     FakeChangeConfig, FakeStart,
    FakeControl,       FakeEnumDependents, FakeClose,  FakeTickCount,    FakeSleep,
    FakeLastError,     FakeAllocate,    FakeFree,      FakePrint,
};

class ToolSvcctlCommand : public ::testing::Test {
protected:
    void SetUp() override { g_fake = &fake_; }
    void TearDown() override
    {
        // Every way out closes what it opened and frees what it allocated.
        EXPECT_EQ(0, fake_.OpenHandles());
        EXPECT_EQ(0, fake_.liveBlocks);
        g_fake = nullptr;
    }
    int Run(std::vector<std::wstring> arguments)
    {
        arguments.insert(arguments.begin(), L"svcctl");
        std::vector<wchar_t*> argv;
        for (std::wstring& argument : arguments)
            argv.push_back(&argument[0]);
        return RunServiceCommand(static_cast<int>(argv.size()), argv.data(), kFakeApi);
    }
    size_t Count(const std::string& call) const
    {
        size_t count = 0;
        for (const std::string& made : fake_.calls)
            count += made == call ? 1 : 0;
        return count;
    }
    std::wstring Repeat(const std::wstring& line, size_t times) const
    {
        std::wstring text;
        while (times--)
            text += line;
        return text;
    }
    // Opens the two handles of a stop command and leaves a running service with
    // the given dependents.
    void RunningWithDependents(std::vector<std::wstring> dependents)
    {
        fake_.queries[L"DusklatchService"] = {Status(SERVICE_RUNNING)};
        fake_.stopReplies[L"DusklatchService"] = Status(SERVICE_STOPPED);
        fake_.hasDependents = !dependents.empty();
        fake_.dependents = dependents;
    }
    bool StopDependents()
    {
        SC_HANDLE manager = fake_.NewHandle(L"manager");
        SC_HANDLE service = fake_.NewHandle(L"DusklatchService");
        fake_.calls.clear();
        bool stopped = StopActiveDependents(kFakeApi, manager, service);
        fake_.handleOpen[0] = fake_.handleOpen[1] = false;
        return stopped;
    }

    FakeServiceManager fake_;
};

TEST(ToolSvcctlPollInterval, TenthOfTheWaitHintBetweenOneAndTenSeconds)
{
    const struct {
        DWORD waitHint;
        DWORD interval;
    } rows[] = {{0, 1000},      {9999, 1000},     {10000, 1000},   {10010, 1001},
                {20000, 2000},  {100000, 10000},  {100010, 10000}, {0xFFFFFFFF, 10000}};
    for (const auto& row : rows) {
        SERVICE_STATUS_PROCESS status = {};
        status.dwWaitHint = row.waitHint;
        EXPECT_EQ(row.interval, PollInterval(status)) << "wait hint " << row.waitHint;
    }
}

TEST_F(ToolSvcctlCommand, StartAsksForFullRightsAndWritesTheDescription)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOPPED), Status(SERVICE_START_PENDING, 1, 3000),
                                          Status(SERVICE_RUNNING)};
    EXPECT_EQ(0, Run({}));
    EXPECT_EQ(L"Service start pending...\nService started successfully.\n", fake_.output);
    EXPECT_EQ(kCompanionServiceDescription, fake_.description);
    const std::vector<std::string> expected = {
        "OpenSCManager(local,ServicesActive,F003F)", "OpenService(DusklatchService,F01FF)",
        "Query(DusklatchService)",  "Describe(DusklatchService)",  "Start(DusklatchService)",
        "Query(DusklatchService)",  "Sleep(1000)",  "Query(DusklatchService)",
        "Close(DusklatchService)",  "Close(manager)"};
    EXPECT_EQ(expected, fake_.calls);
}

TEST_F(ToolSvcctlCommand, StartRefusedWhenNotStoppedYetDescribed)
{
    for (DWORD state : {SERVICE_RUNNING, SERVICE_START_PENDING, SERVICE_PAUSED}) {
        fake_ = FakeServiceManager();
        fake_.queries[L"DusklatchService"] = {Status(state)};
        EXPECT_EQ(1, Run({L"Start"})) << "state " << state;
        EXPECT_EQ(L"Cannot start the service because it is already running\n", fake_.output);
        EXPECT_EQ(1u, Count("Describe(DusklatchService)"));
        EXPECT_EQ(0u, Count("Start(DusklatchService)"));
        EXPECT_EQ(0, fake_.OpenHandles());
    }
}

TEST_F(ToolSvcctlCommand, StartFollowsACompletedStopWithTheStart)
{
    // The stopped service reports check point 0 and wait hint 0: that is the
    // end of the wait, not a stall.
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 4, 2000), Status(SERVICE_STOPPED),
                                          Status(SERVICE_RUNNING)};
    EXPECT_EQ(0, Run({L"start"}));
    EXPECT_EQ(L"Service start pending...\nService started successfully.\n", fake_.output);
}

TEST_F(ToolSvcctlCommand, StartWaitsWhileTheStopProgressesAndGivesUpOnAStall)
{
    // Check points rise twice, then stay: the clock restarts at each rise and the
    // stall is given up once more than a whole wait hint (2500 ms) has passed.
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 1, 2500),
                                          Status(SERVICE_STOP_PENDING, 2, 2500),
                                          Status(SERVICE_STOP_PENDING, 3, 2500)};
    EXPECT_EQ(1, Run({}));
    EXPECT_EQ(L"Timeout waiting for service to stop\n", fake_.output);
    EXPECT_EQ(5u, Count("Sleep(1000)"));
    EXPECT_EQ(0u, Count("Start(DusklatchService)"));
}

TEST_F(ToolSvcctlCommand, StartStallTestSurvivesTheTickCounterWrap)
{
    // The last check point arrives 1024 ms before the counter wraps: a deadline
    // computed as reference + wait hint would wrap and end the wait at once.
    fake_.now = 0xFFFFF430;
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 1, 2500),
                                          Status(SERVICE_STOP_PENDING, 2, 2500),
                                          Status(SERVICE_STOP_PENDING, 3, 2500)};
    EXPECT_EQ(1, Run({}));
    EXPECT_EQ(L"Timeout waiting for service to stop\n", fake_.output);
    EXPECT_EQ(5u, Count("Sleep(1000)"));
}

TEST_F(ToolSvcctlCommand, ServiceThatStopsAtOnceIsReportedWithItsStatus)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOPPED), Status(SERVICE_START_PENDING, 1, 3000),
                                          Status(SERVICE_STOPPED, 0, 0, 0xFFFFFFFF)};
    EXPECT_EQ(1, Run({}));
    EXPECT_EQ(L"Service start pending...\nService not started. \n  Current State: 1\n  Exit Code: -1\n"
              L"  Check Point: 0\n  Wait Hint: 0\n",
              fake_.output);
}

TEST_F(ToolSvcctlCommand, StartWaitWithoutProgressEndsSilently)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOPPED), Status(SERVICE_START_PENDING, 2, 1500)};
    EXPECT_EQ(1, Run({}));
    EXPECT_EQ(L"Service start pending...\nService not started. \n  Current State: 2\n  Exit Code: 0\n"
              L"  Check Point: 2\n  Wait Hint: 1500\n",
              fake_.output);
    EXPECT_EQ(2u, Count("Sleep(1000)"));
}

TEST_F(ToolSvcctlCommand, FailedQueryDuringStartEndsOnlyTheWait)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOPPED), Status(SERVICE_START_PENDING, 7, 3000),
                                          Failure(ERROR_INVALID_HANDLE)};
    EXPECT_EQ(1, Run({}));
    // The report shows the status last read, not the failed query's leftovers.
    EXPECT_EQ(L"Service start pending...\nQueryServiceStatusEx failed (6)\nService not started. \n"
              L"  Current State: 2\n  Exit Code: 0\n  Check Point: 7\n  Wait Hint: 3000\n",
              fake_.output);
}

TEST_F(ToolSvcctlCommand, FailuresPrintTheirLineAndCloseWhatIsOpen)
{
    const struct {
        const wchar_t* command;
        DWORD managerError;
        DWORD openError;
        bool queryFails;
        DWORD startError;
        const wchar_t* output;
        std::vector<std::string> closes;
    } rows[] = {
        {L"start", ERROR_ACCESS_DENIED, 0, false, 0, L"OpenSCManager failed (5)\n", {}},
        {L"stop", ERROR_ACCESS_DENIED, 0, false, 0, L"OpenSCManager failed (5)\n", {}},
        {L"start", 0, 1060, false, 0, L"OpenService failed (1060)\n", {"Close(manager)"}},
        {L"stop", 0, 1060, false, 0, L"OpenService failed (1060)\n", {"Close(manager)"}},
        {L"start", 0, 0, true, 0, L"QueryServiceStatusEx failed (6)\n",
         {"Close(DusklatchService)", "Close(manager)"}},
        {L"stop", 0, 0, true, 0, L"QueryServiceStatusEx failed (6)\n",
         {"Close(DusklatchService)", "Close(manager)"}},
        {L"start", 0, 0, false, 1058, L"StartService failed (1058)\n",
         {"Close(DusklatchService)", "Close(manager)"}},
    };
    for (const auto& row : rows) {
        fake_ = FakeServiceManager();
        fake_.managerError = row.managerError;
        if (row.openError)
            fake_.openErrors[L"DusklatchService"] = row.openError;
        fake_.queries[L"DusklatchService"] = {row.queryFails ? Failure(ERROR_INVALID_HANDLE)
                                                             : Status(SERVICE_STOPPED)};
        fake_.startError = row.startError;
        EXPECT_EQ(1, Run({row.command}));
        EXPECT_EQ(row.output, fake_.output);
        std::vector<std::string> closes;
        for (const std::string& call : fake_.calls) {
            if (call.compare(0, 6, "Close(") == 0)
                closes.push_back(call);
        }
        EXPECT_EQ(row.closes, closes) << Narrow(row.output);
        EXPECT_EQ(0, fake_.OpenHandles());
    }
}

TEST_F(ToolSvcctlCommand, StopAlreadyStopped)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOPPED)};
    EXPECT_EQ(0, Run({L"STOP", L"whatever"}));
    EXPECT_EQ(L"Service is already stopped.\n", fake_.output);
    EXPECT_EQ("OpenService(DusklatchService,2C)", fake_.calls.at(1));
}

TEST_F(ToolSvcctlCommand, StopFollowsAPendingStopOneLinePerPass)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 1, 20000),
                                          Status(SERVICE_STOP_PENDING, 2, 20000), Status(SERVICE_STOPPED)};
    EXPECT_EQ(0, Run({L"stop"}));
    EXPECT_EQ(L"Service stop pending...\nService stop pending...\nService stopped successfully.\n", fake_.output);
    EXPECT_EQ(2u, Count("Sleep(2000)"));
    EXPECT_EQ(0u, Count("Stop(DusklatchService)"));
}

TEST_F(ToolSvcctlCommand, PendingStopTimesOutThirtySecondsAfterTheCommandBegan)
{
    for (DWORD start : {0u, 0xFFFFC000u}) {
        fake_ = FakeServiceManager();
        fake_.now = start;
        fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 1, 2000)};
        EXPECT_EQ(1, Run({L"stop"}));
        // Passes of 1000 ms: the 31st query is the first past 30000 ms.
        EXPECT_EQ(Repeat(L"Service stop pending...\n", 31) + L"Service stop timed out.\n", fake_.output)
            << "clock starting at " << start;
    }
}

TEST_F(ToolSvcctlCommand, PendingStopThatTurnsIntoAnotherStateIsStoppedByTheTool)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_STOP_PENDING, 1, 2000), Status(SERVICE_RUNNING),
                                          Status(SERVICE_STOPPED)};
    fake_.stopReplies[L"DusklatchService"] = Status(SERVICE_STOP_PENDING, 1, 500);
    EXPECT_EQ(0, Run({L"stop"}));
    EXPECT_EQ(L"Service stop pending...\nService stopped successfully\n", fake_.output);
}

TEST_F(ToolSvcctlCommand, StopWaitsTheFullWaitHintAfterItsRequest)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_RUNNING), Status(SERVICE_STOP_PENDING, 2, 45000),
                                          Status(SERVICE_STOPPED)};
    fake_.stopReplies[L"DusklatchService"] = Status(SERVICE_STOP_PENDING, 1, 7000);
    EXPECT_EQ(0, Run({L"stop"}));
    EXPECT_EQ(L"Service stopped successfully\n", fake_.output);
    // The wait starts from the reply's hint, then takes each query's, unclamped;
    // the budget is tested only after a query, so one long sleep may cross it.
    EXPECT_EQ(1u, Count("Sleep(7000)"));
    EXPECT_EQ(1u, Count("Sleep(45000)"));
}

TEST_F(ToolSvcctlCommand, StopWaitTimesOut)
{
    for (DWORD start : {0u, 0xFFFFE000u}) {
        fake_ = FakeServiceManager();
        fake_.now = start;
        fake_.queries[L"DusklatchService"] = {Status(SERVICE_RUNNING), Status(SERVICE_STOP_PENDING, 1, 7000)};
        fake_.stopReplies[L"DusklatchService"] = Status(SERVICE_STOP_PENDING, 1, 7000);
        EXPECT_EQ(1, Run({L"stop"}));
        EXPECT_EQ(L"Wait timed out\n", fake_.output);
        EXPECT_EQ(5u, Count("Sleep(7000)")) << "clock starting at " << start;
    }
}

TEST_F(ToolSvcctlCommand, StopWithWaitHintZeroQueriesWithoutPause)
{
    fake_.queries[L"DusklatchService"] = {Status(SERVICE_RUNNING), Status(SERVICE_STOP_PENDING),
                                          Status(SERVICE_STOP_PENDING), Status(SERVICE_STOPPED)};
    fake_.stopReplies[L"DusklatchService"] = Status(SERVICE_STOP_PENDING);
    EXPECT_EQ(0, Run({L"stop"}));
    EXPECT_EQ(L"Service stopped successfully\n", fake_.output);
    EXPECT_EQ(3u, Count("Sleep(0)"));
}

TEST_F(ToolSvcctlCommand, StopStopsTheDependentsFirst)
{
    RunningWithDependents({L"First", L"Second"});
    fake_.stopReplies[L"First"] = Status(SERVICE_STOPPED);
    fake_.stopReplies[L"Second"] = Status(SERVICE_STOP_PENDING, 1, 3000);
    fake_.queries[L"Second"] = {Status(SERVICE_STOPPED)};
    EXPECT_EQ(0, Run({L"stop"}));
    EXPECT_EQ(L"Service stopped successfully\n", fake_.output);
    const std::vector<std::string> expected = {
        "OpenSCManager(local,ServicesActive,F003F)", "OpenService(DusklatchService,2C)",
        "Query(DusklatchService)", "Enum(none)", "Allocate(" + std::to_string(2 * sizeof(ENUM_SERVICE_STATUSW) + 26) + ")",
        "Enum(block)", "OpenService(First,24)", "Stop(First)", "Close(First)",
        "OpenService(Second,24)", "Stop(Second)", "Sleep(3000)", "Query(Second)", "Close(Second)",
        "Free", "Stop(DusklatchService)", "Close(DusklatchService)", "Close(manager)"};
    EXPECT_EQ(expected, fake_.calls);
}

TEST_F(ToolSvcctlCommand, DependentThatWillNotStopLeavesTheRefusalToTheManager)
{
    RunningWithDependents({L"Stubborn"});
    fake_.stopReplies[L"Stubborn"] = Failure(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    fake_.stopReplies[L"DusklatchService"] = Failure(ERROR_DEPENDENT_SERVICES_RUNNING);
    EXPECT_EQ(1, Run({L"stop"}));
    EXPECT_EQ(L"ControlService failed (1051)\n", fake_.output);
}

TEST_F(ToolSvcctlCommand, NoActiveDependentsNeedsNoBlock)
{
    RunningWithDependents({});
    EXPECT_TRUE(StopDependents());
    EXPECT_EQ(std::vector<std::string>{"Enum(none)"}, fake_.calls);
}

TEST_F(ToolSvcctlCommand, DependentsFailureWaysFreeTheBlockAndCloseTheHandle)
{
    // Two entries, then "A" and "B" with their terminators: 80 bytes in a
    // 32-bit program, whose entries are 36 bytes each.
    const std::string allocate = "Allocate(" + std::to_string(2 * sizeof(ENUM_SERVICE_STATUSW) + 8) + ")";
    const struct {
        const char* name;
        DWORD firstEnumError;
        bool allocationFails;
        DWORD secondEnumError;
        DWORD openError;
        DWORD stopError;
        bool queryFails;
        std::vector<std::string> calls;
    } rows[] = {
        {"enumeration refused", ERROR_ACCESS_DENIED, false, 0, 0, 0, false, {"Enum(none)"}},
        {"no memory", ERROR_MORE_DATA, true, 0, 0, 0, false, {"Enum(none)", allocate}},
        {"second enumeration", ERROR_MORE_DATA, false, ERROR_INVALID_HANDLE, 0, 0, false,
         {"Enum(none)", allocate, "Enum(block)", "Free"}},
        {"open", ERROR_MORE_DATA, false, 0, ERROR_ACCESS_DENIED, 0, false,
         {"Enum(none)", allocate, "Enum(block)", "OpenService(A,24)", "Free"}},
        {"stop request", ERROR_MORE_DATA, false, 0, 0, ERROR_SERVICE_CANNOT_ACCEPT_CTRL, false,
         {"Enum(none)", allocate, "Enum(block)", "OpenService(A,24)", "Stop(A)", "Close(A)", "Free"}},
        {"query", ERROR_MORE_DATA, false, 0, 0, 0, true,
         {"Enum(none)", allocate, "Enum(block)", "OpenService(A,24)", "Stop(A)", "Sleep(100)", "Query(A)",
          "Close(A)", "Free"}},
    };
    for (const auto& row : rows) {
        fake_ = FakeServiceManager();
        RunningWithDependents({L"A", L"B"});
        fake_.firstEnumError = row.firstEnumError;
        fake_.allocationFails = row.allocationFails;
        fake_.secondEnumError = row.secondEnumError;
        if (row.openError)
            fake_.openErrors[L"A"] = row.openError;
        fake_.stopReplies[L"A"] = row.stopError ? Failure(row.stopError) : Status(SERVICE_STOP_PENDING, 1, 100);
        fake_.queries[L"A"] = {row.queryFails ? Failure(ERROR_INVALID_HANDLE) : Status(SERVICE_STOPPED)};
        EXPECT_FALSE(StopDependents()) << row.name;
        EXPECT_EQ(row.calls, fake_.calls) << row.name;
        EXPECT_EQ(0, fake_.liveBlocks) << row.name;
        EXPECT_EQ(0, fake_.OpenHandles()) << row.name;
    }
}

TEST_F(ToolSvcctlCommand, DependentsShareOneBudgetAcrossTheWrap)
{
    for (DWORD start : {1000u, 0xFFFFD000u}) {
        fake_ = FakeServiceManager();
        fake_.now = start;
        RunningWithDependents({L"Slow", L"Never", L"Untried"});
        // The first takes 12 s of the budget; the second never stops and meets
        // the end of the 30 s: 12 + 5 * 4 = 32 s, past it after its fifth query.
        fake_.stopReplies[L"Slow"] = Status(SERVICE_STOP_PENDING, 1, 6000);
        fake_.queries[L"Slow"] = {Status(SERVICE_STOP_PENDING, 2, 6000), Status(SERVICE_STOPPED)};
        fake_.stopReplies[L"Never"] = Status(SERVICE_STOP_PENDING, 1, 4000);
        fake_.queries[L"Never"] = {Status(SERVICE_STOP_PENDING, 1, 4000)};
        EXPECT_FALSE(StopDependents());
        EXPECT_EQ(2u, Count("Sleep(6000)"));
        EXPECT_EQ(5u, Count("Sleep(4000)")) << "clock starting at " << start;
        EXPECT_EQ(0u, Count("OpenService(Untried,24)"));
        EXPECT_EQ("Free", fake_.calls.back());
        EXPECT_EQ(0, fake_.OpenHandles());
    }
}

TEST_F(ToolSvcctlCommand, UnknownCommandShowsTheWordCutToNineCharacters)
{
    const struct {
        const wchar_t* word;
        const wchar_t* output;
    } rows[] = {
        {L"startservice", L"Unknown command (startserv)\n\n"},
        {L"", L"Unknown command ()\n\n"},
        {L"stopped", L"Unknown command (stopped)\n\n"},
        {L"restart", L"Unknown command (restart)\n\n"},
    };
    for (const auto& row : rows) {
        fake_ = FakeServiceManager();
        EXPECT_EQ(1, Run({row.word, L"stop"}));
        EXPECT_EQ(row.output, fake_.output);
        EXPECT_TRUE(fake_.calls.empty());
    }
}

}  // namespace

// The companion service in Wine's service control manager: its installation,
// and its test build (power calls recorded, not made) serving the mailbox for
// the real Dusklatch.scr, for datagrams written by hand, and for svcctl.
#include "power_test_support.h"
#include "tool_process_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const wchar_t kServiceName[] = L"DusklatchService";
const wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DusklatchService";
const char kStartedLines[] = "Service start pending...\r\nService started successfully.\r\n";
const int kShutdown = 1;
const int kNoAction = 0;

// Where the recording build writes its calls and log lines.
std::wstring RecordFile()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE);
    return std::wstring(folder) + L"\\DusklatchServiceTest\\record.txt";
}

// The record's whole lines that begin with kind ("call" or "log").
std::vector<std::string> Records(const char* kind)
{
    std::vector<std::string> lines;
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(RecordFile(), &bytes))
        return lines;
    std::string text(bytes.begin(), bytes.end());
    const std::string prefix = std::string(kind) + " ";
    size_t start = 0;
    size_t end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

DWORD RecordTick(const std::string& line)
{
    return strtoul(line.c_str() + line.find(' ') + 1, nullptr, 10);
}

// The tick of the first log line that contains text, or 0 when none came in time.
DWORD WaitForLog(const std::string& text, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        for (const std::string& line : Records("log"))
            if (line.find(text) != std::string::npos)
                return RecordTick(line);
        if (GetTickCount() - start > timeoutMs)
            return 0;
        Sleep(20);
    }
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// One datagram into the mailbox, as any program allowed to write it could.
bool WriteDatagram(const std::vector<unsigned char>& bytes)
{
    HANDLE mailbox = CreateFileW(L"\\\\.\\mailslot\\Orvanta\\Dusklatch\\mailbox", GENERIC_WRITE,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mailbox == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool complete = WriteFile(mailbox, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(mailbox);
    return complete;
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
    }

    // The test build, installed by its own command and started by svcctl.
    void StartRecorder()
    {
        ProcessResult installed = RunTool(L"dusklatch_service_recorder.exe", L"install");
        ASSERT_EQ("Service DusklatchService installed.\r\n", installed.output);
        ProcessResult started = RunTool(L"svcctl.exe", L"start");
        ASSERT_EQ(kStartedLines, started.output);
        ASSERT_NE(0u, WaitForLog("Service started.", 5000));
    }

    // The real screen saver, counting down from 0 with a task of the given
    // length (none for a negative one).
    void RelayFromSaver(int action, bool force, int taskSeconds)
    {
        std::wstring task;
        if (taskSeconds >= 0) {
            pidFile_ = ScratchPath(L"service-task.pid");
            task = TaskProbeCommand(pidFile_, taskSeconds);
        }
        ASSERT_TRUE(WriteSaverSettings(action, force, 0, true, task));
        ASSERT_TRUE(StartFullScreenSaver(&saver_));
        if (taskSeconds >= 0) {
            taskPid_ = WaitForTaskPid(pidFile_, 10000);
            ASSERT_NE(0u, taskPid_);
        }
    }

    SC_HANDLE manager_ = nullptr;
    SaverRun saver_;
    CompanionProcess companion_;
    std::wstring pidFile_;
    DWORD taskPid_ = 0;
};

struct ServiceConfig {
    DWORD type = 0;
    DWORD start = 0;
    std::string path;
    std::string account;
    std::string displayName;
    std::string description;
};

ServiceConfig ReadServiceConfig(SC_HANDLE manager)
{
    ServiceConfig config;
    SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_QUERY_CONFIG);
    if (!service)
        return config;
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    if (QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                            static_cast<DWORD>(buffer.size()), &needed)) {
        const QUERY_SERVICE_CONFIGW* query = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        config.type = query->dwServiceType;
        config.start = query->dwStartType;
        config.path = Narrow(query->lpBinaryPathName);
        config.account = Narrow(query->lpServiceStartName);
        config.displayName = Narrow(query->lpDisplayName);
    }
    if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &needed)) {
        const wchar_t* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data())->lpDescription;
        config.description = Narrow(description ? description : L"");
    }
    CloseServiceHandle(service);
    return config;
}

TEST_F(CompanionService, InstallRegistersServiceAndEventSourceUninstallRemovesBoth)
{
    ProcessResult result = RunTool(L"DusklatchService.exe", L"install");
    EXPECT_EQ("Service DusklatchService installed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    ServiceConfig config = ReadServiceConfig(manager_);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.type);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config.start);
    EXPECT_EQ(Narrow(Quoted(BinPath(L"DusklatchService.exe"))), config.path);
    EXPECT_EQ("LocalSystem", config.account);
    EXPECT_EQ("Dusklatch Service", config.displayName);
    EXPECT_EQ(kCompanionDescription, config.description);
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile", &type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(Utf16Text(bytes), BinPath(L"DusklatchService.exe") + std::wstring(1, L'\0'));
    ASSERT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"TypesSupported", &type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(std::vector<unsigned char>({7, 0, 0, 0}), bytes);

    // Installed again from elsewhere: brought up to date, not refused.
    result = RunTool(L"dusklatch_service_recorder.exe", L"install");
    EXPECT_EQ("Service DusklatchService updated.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Narrow(Quoted(BinPath(L"dusklatch_service_recorder.exe"))), ReadServiceConfig(manager_).path);
    ASSERT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile", &type, &bytes));
    EXPECT_EQ(Utf16Text(bytes), BinPath(L"dusklatch_service_recorder.exe") + std::wstring(1, L'\0'));

    result = RunTool(L"DusklatchService.exe", L"uninstall");
    EXPECT_EQ("Service DusklatchService removed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(0u, CompanionServiceState(manager_));
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"TypesSupported", &type, &bytes));
    result = RunTool(L"DusklatchService.exe", L"uninstall");
    EXPECT_EQ("Service DusklatchService is not installed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
}

TEST_F(CompanionService, UsageAndATakenMailboxAreReportedWithStatuses)
{
    const std::string usage =
        "usage: " + Narrow(BinPath(L"DusklatchService.exe")) + " install | uninstall | console\r\n";
    for (const wchar_t* arguments : {L"", L"start", L"\"\""}) {
        ProcessResult result = RunTool(L"DusklatchService.exe", arguments);
        EXPECT_EQ(usage, result.output) << Narrow(arguments);
        EXPECT_EQ(2u, result.exitCode) << Narrow(arguments);
    }
    // Another process owns the mailslot: neither the console nor the service runs.
    ASSERT_TRUE(StartCompanion(&companion_, L"service-taken.records"));
    ProcessResult result = RunTool(L"DusklatchService.exe", L"console");
    EXPECT_EQ("CreateMailslot failed (183)\r\n", result.output);
    EXPECT_EQ(1u, result.exitCode);
    ASSERT_EQ(0u, RunTool(L"dusklatch_service_recorder.exe", L"install").exitCode);
    result = RunTool(L"svcctl.exe", L"start");
    EXPECT_EQ("Service start pending...\r\n"
              "Service not started. \r\n"
              "  Current State: 1\r\n"
              "  Exit Code: 183\r\n"
              "  Check Point: 0\r\n"
              "  Wait Hint: 0\r\n",
              result.output);
}

TEST_F(CompanionService, RelayedShutdownIsCarriedOutOnceAfterTheTaskEnded)
{
    StartRecorder();
    RelayFromSaver(kShutdown, true, 2);
    HANDLE task = OpenProcess(SYNCHRONIZE, FALSE, taskPid_);
    ASSERT_NE(nullptr, task);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(task, 10000));
    const DWORD taskEnded = GetTickCount();
    CloseHandle(task);
    ASSERT_NE(0u, WaitForLog("Shutdown, forced: InitiateSystemShutdownExW", 5000)) << Joined(Records("log"));
    Sleep(1500);  // room for a second call that must not come
    std::vector<std::string> calls = Records("call");
    ASSERT_EQ(1u, calls.size()) << Joined(calls);
    EXPECT_NE(std::string::npos,
              calls[0].find(" InitiateSystemShutdownExW timeout=0 force=1 reboot=0 reason=800000ff "
                            "machine=(null) message=(null)"))
        << calls[0];
    // Not waiting would have called about two seconds before the task's end.
    EXPECT_GE(RecordTick(calls[0]) + 250, taskEnded) << Joined(Records("log"));
    EXPECT_TRUE(WaitForLog("Accepted WaitFor:" + std::to_string(taskPid_) + ";true;", 0));
}

TEST_F(CompanionService, RelayedNoActionCallsNothingAndUninstallStopsTheService)
{
    StartRecorder();
    RelayFromSaver(kNoAction, false, -1);
    EXPECT_NE(0u, WaitForLog("NoAction: nothing to do.", 5000)) << Joined(Records("log"));
    EXPECT_TRUE(Records("call").empty()) << Joined(Records("call"));

    ProcessResult result = RunTool(L"dusklatch_service_recorder.exe", L"uninstall");
    EXPECT_EQ("Service DusklatchService removed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(0u, CompanionServiceState(manager_));
    EXPECT_NE(0u, WaitForLog("Service stopped.", 0));
}

TEST_F(CompanionService, WithoutARunningSaverDatagramsAreRefusedAndTheLoopGoesOn)
{
    StartRecorder();
    ASSERT_EQ(nullptr, FindWindowW(L"WindowsScreenSaverClass", nullptr));
    // No pulse follows: the service finds them on its own.
    ASSERT_TRUE(WriteDatagram(Utf16Bytes(L"Shutdown;true;")));
    ASSERT_TRUE(WriteDatagram(WireBytes(L"Shutdown;true;")));
    EXPECT_NE(0u, WaitForLog("Refused Shutdown;true;: no Dusklatch.scr is running.", 5000))
        << Joined(Records("log"));
    EXPECT_NE(0u, WaitForLog("Refused a message of 28 bytes (no terminating NUL): "
                             "530068007500740064006f0077006e003b0074007200750065003b00",
                             0))
        << Joined(Records("log"));
    EXPECT_TRUE(Records("call").empty()) << Joined(Records("call"));
}

TEST_F(CompanionService, StopEndsTheWaitForATaskAtOnce)
{
    StartRecorder();
    RelayFromSaver(kShutdown, true, 60);
    ASSERT_NE(0u, WaitForLog("Waiting for process " + std::to_string(taskPid_), 10000))
        << Joined(Records("log"));
    const DWORD start = GetTickCount();
    ProcessResult result = RunTool(L"svcctl.exe", L"stop");
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ("Service stopped successfully\r\n", result.output);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), CompanionServiceState(manager_));
    EXPECT_NE(0u, WaitForLog("Stopped while waiting for process", 0)) << Joined(Records("log"));
    EXPECT_TRUE(Records("call").empty()) << Joined(Records("call"));
    EXPECT_TRUE(ProcessIsRunning(taskPid_)) << "the task is the user's, and is left alone";
}

}  // namespace

// svcctl run as a process against Wine's service control manager, with the
// stand-in service (dusklatch_test_service.exe) registered as DusklatchService.
#include "tool_process_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kServiceName[] = L"DusklatchService";

class ToolSvcctlService : public ::testing::Test {
protected:
    void SetUp() override
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager_);
        RemoveService();
    }
    void TearDown() override
    {
        RemoveService();
        CloseServiceHandle(manager_);
    }

    void Install(const std::wstring& behaviour)
    {
        std::wstring binaryPath = Quoted(BinPath(L"dusklatch_test_service.exe")) + L" " + behaviour;
        SC_HANDLE service = CreateServiceW(manager_, kServiceName, L"Dusklatch test service", SERVICE_ALL_ACCESS,
                                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                           binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, service) << "CreateService failed with " << GetLastError();
        CloseServiceHandle(service);
    }

    void RemoveService()
    {
        EXPECT_TRUE(RemoveCompanionService(manager_)) << "the service was not deleted";
    }

    DWORD State() { return CompanionServiceState(manager_); }

    void StartAndWaitUntilRunning()
    {
        SC_HANDLE service = OpenServiceW(manager_, kServiceName, SERVICE_ALL_ACCESS);
        ASSERT_NE(nullptr, service);
        EXPECT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
        EXPECT_TRUE(WaitForServiceState(service, SERVICE_RUNNING, 10000));
        CloseServiceHandle(service);
    }

    // Asks for a stop as another program would, and leaves it pending.
    void RequestStop()
    {
        SC_HANDLE service = OpenServiceW(manager_, kServiceName, SERVICE_ALL_ACCESS);
        ASSERT_NE(nullptr, service);
        SERVICE_STATUS status = {};
        EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), status.dwCurrentState);
        CloseServiceHandle(service);
    }

    std::string Description()
    {
        SC_HANDLE service = OpenServiceW(manager_, kServiceName, SERVICE_QUERY_CONFIG);
        if (!service)
            return "(no service)";
        BYTE buffer[1024] = {};
        DWORD needed = 0;
        std::string text;
        if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer, sizeof(buffer), &needed)) {
            const wchar_t* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer)->lpDescription;
            for (; description && *description; ++description)
                text += static_cast<char>(*description);
        }
        CloseServiceHandle(service);
        return text;
    }

    SC_HANDLE manager_ = nullptr;
};

TEST_F(ToolSvcctlService, NoArgumentStartsTheServiceAndDescribesIt)
{
    Install(L"normal");
    ASSERT_EQ("", Description());
    ProcessResult result = RunTool(L"svcctl.exe");
    EXPECT_EQ("Service start pending...\r\nService started successfully.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State());
    EXPECT_EQ(kCompanionDescription, Description());
}

TEST_F(ToolSvcctlService, StartWhileRunningIsRefusedButDescribes)
{
    Install(L"normal");
    StartAndWaitUntilRunning();
    ProcessResult result = RunTool(L"svcctl.exe", L"START");
    EXPECT_EQ("Cannot start the service because it is already running\r\n", result.output);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_EQ(kCompanionDescription, Description());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State());
}

TEST_F(ToolSvcctlService, StopInAnyCaseStopsTheService)
{
    Install(L"normal");
    for (const wchar_t* arguments : {L"STOP", L"Stop now please", L"stop"}) {
        StartAndWaitUntilRunning();
        ProcessResult result = RunTool(L"svcctl.exe", arguments);
        EXPECT_EQ("Service stopped successfully\r\n", result.output);
        EXPECT_EQ(0u, result.exitCode);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State());
    }
}

TEST_F(ToolSvcctlService, StopWhenStopped)
{
    Install(L"normal");
    ProcessResult result = RunTool(L"svcctl.exe", L"stop");
    EXPECT_EQ("Service is already stopped.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
}

TEST_F(ToolSvcctlService, StartWhileStopPendingWaitsItOutThenStarts)
{
    Install(L"slowstop");
    StartAndWaitUntilRunning();
    RequestStop();
    DWORD start = GetTickCount();
    ProcessResult result = RunTool(L"svcctl.exe", L"start");
    EXPECT_EQ("Service start pending...\r\nService started successfully.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), State());
    // The stop takes about 3 s, polled every second.
    EXPECT_GE(GetTickCount() - start, 2000u);
}

TEST_F(ToolSvcctlService, StartGivesUpOnAStopWithoutProgress)
{
    // Stop-pending with one check point and a wait hint of 1.5 s for 6 s.
    Install(L"stuckstop");
    StartAndWaitUntilRunning();
    RequestStop();
    ProcessResult result = RunTool(L"svcctl.exe");
    EXPECT_EQ("Timeout waiting for service to stop\r\n", result.output);
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), State());
}

TEST_F(ToolSvcctlService, StopWhileStopPendingPrintsOneLinePerPass)
{
    Install(L"slowstop");
    StartAndWaitUntilRunning();
    RequestStop();
    DWORD start = GetTickCount();
    ProcessResult result = RunTool(L"svcctl.exe", L"stop");
    DWORD elapsed = GetTickCount() - start;
    const std::string pending = "Service stop pending...\r\n";
    const std::string stopped = "Service stopped successfully.\r\n";
    std::string output = result.output;
    size_t passes = 0;
    while (output.compare(0, pending.size(), pending) == 0) {
        output.erase(0, pending.size());
        ++passes;
    }
    EXPECT_EQ(stopped, output) << result.output;
    EXPECT_EQ(0u, result.exitCode);
    // Each pass sleeps 1 s (a tenth of the 2 s hint, raised to a second).
    EXPECT_GE(passes, 2u) << result.output;
    EXPECT_LE(passes, 4u) << result.output;
    EXPECT_GE(elapsed + 100, passes * 1000) << result.output;
}

TEST_F(ToolSvcctlService, ServiceThatEndsAtOnceIsNotStarted)
{
    Install(L"exitfast 1067");
    ProcessResult result = RunTool(L"svcctl.exe", L"start");
    EXPECT_EQ("Service start pending...\r\n"
              "Service not started. \r\n"
              "  Current State: 1\r\n"
              "  Exit Code: 1067\r\n"
              "  Check Point: 0\r\n"
              "  Wait Hint: 0\r\n",
              result.output);
    EXPECT_EQ(1u, result.exitCode);
}

TEST_F(ToolSvcctlService, MissingService)
{
    for (const wchar_t* arguments : {L"", L"start", L"stop"}) {
        ProcessResult result = RunTool(L"svcctl.exe", arguments);
        EXPECT_EQ("OpenService failed (1060)\r\n", result.output) << Narrow(arguments);
        EXPECT_EQ(1u, result.exitCode);
    }
}

TEST_F(ToolSvcctlService, UnknownCommandsTouchNothing)
{
    Install(L"normal");
    const struct {
        const wchar_t* arguments;
        const char* output;
    } rows[] = {
        {L"startservice", "Unknown command (startserv)\r\n\r\n"},
        {L"\"\" start", "Unknown command ()\r\n\r\n"},
        {L"halt", "Unknown command (halt)\r\n\r\n"},
    };
    for (const auto& row : rows) {
        ProcessResult result = RunTool(L"svcctl.exe", row.arguments);
        EXPECT_EQ(row.output, result.output);
        EXPECT_EQ(1u, result.exitCode);
    }
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State());
    EXPECT_EQ("", Description());
}

}  // namespace

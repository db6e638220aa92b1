// DusklatchService: the companion service that carries out the power actions
// the screen saver hands over through its mailbox.
//   DusklatchService install     registers the service and its event source
//   DusklatchService uninstall   stops and removes both
//   DusklatchService console     serves the mailbox in the foreground until Ctrl+C
// Started by the service control manager (no argument) it runs as the service.
#include "companion_names.h"
#include "mailbox_loop.h"
#include "service_install.h"
#include "service_log.h"
#include "service_power_calls.h"
#include "tool_arguments.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>

namespace {

const int kExitFailed = 1;
const int kExitUsage = 2;
// What the service control manager is told to allow for a start or a stop.
// A stop needs only the loop's next wake-up; svcctl sleeps the whole hint.
const DWORD kStartWaitHintMs = 3000;
const DWORD kStopWaitHintMs = 1000;

HANDLE g_stop = nullptr;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
DWORD g_checkPoint = 0;

void ReportStatus(DWORD state, DWORD exitCode)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++g_checkPoint : 0;
    status.dwWaitHint = state == SERVICE_START_PENDING  ? kStartWaitHintMs
                        : state == SERVICE_STOP_PENDING ? kStopWaitHintMs
                                                        : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI ServiceControlHandler(DWORD control, DWORD, void*, void*)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        // Reported before the handler returns, so that the stop request's
        // reply already shows the pending stop.
        ReportStatus(SERVICE_STOP_PENDING, NO_ERROR);
        SetEvent(g_stop);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI CompanionServiceMain(DWORD, LPWSTR*)
{
    g_statusHandle = RegisterServiceCtrlHandlerExW(kCompanionServiceName, ServiceControlHandler,
                                                   nullptr);
    if (!g_statusHandle)
        return;
    ReportStatus(SERVICE_START_PENDING, NO_ERROR);
    OpenServiceLog(false);
    ServiceMailbox mailbox;
    const wchar_t* failedCall = L"";
    DWORD error = CreateServiceMailbox(&mailbox, &failedCall);
    if (error != ERROR_SUCCESS) {
        // Another process owns a name: the service does not run half-way.
        ServiceLog(kLogError, L"%ls failed (%lu): the service does not start.", failedCall, error);
        CloseServiceLog();
        ReportStatus(SERVICE_STOPPED, error);
        return;
    }
    ReportStatus(SERVICE_RUNNING, NO_ERROR);
    ServiceLog(kLogInformation, L"Service started.");
    RunMailboxLoop(mailbox, g_stop);
    CloseServiceMailbox(&mailbox);
    ServiceLog(kLogInformation, L"Service stopped.");
    CloseServiceLog();
    ReportStatus(SERVICE_STOPPED, NO_ERROR);
}

BOOL WINAPI ConsoleControlHandler(DWORD)
{
    SetEvent(g_stop);
    return TRUE;
}

int RunInConsole()
{
    ServiceMailbox mailbox;
    const wchar_t* failedCall = L"";
    DWORD error = CreateServiceMailbox(&mailbox, &failedCall);
    if (error != ERROR_SUCCESS) {
        PrintCallFailure(failedCall, error);
        return kExitFailed;
    }
    SetConsoleCtrlHandler(ConsoleControlHandler, TRUE);
    OpenServiceLog(true);
    ServiceLog(kLogInformation, L"Serving the mailbox in the console; Ctrl+C ends.");
    RunMailboxLoop(mailbox, g_stop);
    CloseServiceMailbox(&mailbox);
    ServiceLog(kLogInformation, L"Stopped.");
    CloseServiceLog();
    return 0;
}

int PrintUsageLine(int argc, wchar_t** argv)
{
    PrintUsage(argc, argv, L" install | uninstall | console\n");
    return kExitUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1) {
        if (EqualsIgnoringAsciiCase(argv[1], L"install"))
            return InstallCompanionService();
        if (EqualsIgnoringAsciiCase(argv[1], L"uninstall"))
            return UninstallCompanionService();
        if (!EqualsIgnoringAsciiCase(argv[1], L"console"))
            return PrintUsageLine(argc, argv);
    }
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stop) {
        PrintCallFailure(L"CreateEvent", GetLastError());
        return kExitFailed;
    }
    LoadServicePowerCalls();
    int status = 0;
    if (argc > 1) {
        status = RunInConsole();
    } else {
        wchar_t name[sizeof(kCompanionServiceName) / sizeof(wchar_t)];
        CopyWholeText(name, sizeof(name) / sizeof(wchar_t), kCompanionServiceName);
        SERVICE_TABLE_ENTRYW table[] = {{name, CompanionServiceMain}, {nullptr, nullptr}};
        if (!StartServiceCtrlDispatcherW(table)) {
            // Started from a console rather than by the service control manager.
            if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT)
                status = PrintUsageLine(argc, argv);
            else {
                PrintCallFailure(L"StartServiceCtrlDispatcher", GetLastError());
                status = kExitFailed;
            }
        }
    }
    UnloadServicePowerCalls();
    CloseHandle(g_stop);
    return status;
}

// A stand-in for the companion service, registered as DusklatchService by the
// svcctl tests. Its behaviour comes from its command line (the service's binary
// path): normal | slowstop | stuckstop | exitfast <exit code>.
//   normal     starts, runs, stops at once when asked.
//   slowstop   on a stop, stays stop-pending for about 3 s with a rising check point.
//   stuckstop  on a stop, stays stop-pending for about 6 s with one check point
//              and a wait hint of 1.5 s, i.e. without progress for four hints.
//   exitfast   stops again right after starting, with the given exit code.
#include <windows.h>

#include <stdlib.h>
#include <wchar.h>

namespace {

enum Behaviour { kNormal, kSlowStop, kStuckStop, kExitFast };

Behaviour g_behaviour = kNormal;
DWORD g_exitCode = 0;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopRequested = nullptr;

void Report(DWORD state, DWORD exitCode, DWORD checkPoint, DWORD waitHint)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        // Reported before the handler returns, so that the stop request's reply
        // already shows the pending stop.
        Report(SERVICE_STOP_PENDING, 0, 1, g_behaviour == kStuckStop ? 1500 : 2000);
        SetEvent(g_stopRequested);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPWSTR*)
{
    g_statusHandle = RegisterServiceCtrlHandlerExW(L"DusklatchService", Handler, nullptr);
    if (!g_statusHandle)
        return;
    // Wine refuses a start whose first report is "stopped", so every start
    // begins pending.
    Report(SERVICE_START_PENDING, 0, 1, 3000);
    if (g_behaviour == kExitFast) {
        Sleep(300);
        Report(SERVICE_STOPPED, g_exitCode, 0, 0);
        return;
    }
    Sleep(200);
    Report(SERVICE_RUNNING, 0, 0, 0);
    // A forgotten service ends by itself rather than outlive the test run.
    WaitForSingleObject(g_stopRequested, 120000);
    if (g_behaviour == kSlowStop) {
        for (DWORD checkPoint = 2; checkPoint <= 7; ++checkPoint) {
            Sleep(500);
            Report(SERVICE_STOP_PENDING, 0, checkPoint, 2000);
        }
    } else if (g_behaviour == kStuckStop) {
        Sleep(6000);
    }
    Report(SERVICE_STOPPED, 0, 0, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && wcscmp(argv[1], L"slowstop") == 0)
        g_behaviour = kSlowStop;
    else if (argc > 1 && wcscmp(argv[1], L"stuckstop") == 0)
        g_behaviour = kStuckStop;
    else if (argc > 2 && wcscmp(argv[1], L"exitfast") == 0) {
        g_behaviour = kExitFast;
        g_exitCode = wcstoul(argv[2], nullptr, 10);
    }
    g_stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"DusklatchService";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

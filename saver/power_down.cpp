// PowerDown: log off and lock directly; power actions directly when the
// shutdown privilege can be enabled and no task is configured, otherwise
// relayed to the companion service.
#include "power_down.h"

#include "countdown_state.h"
#include "power_calls.h"
#include "pre_shutdown_task.h"
#include "scoped_handles.h"
#include "service_mailbox.h"

namespace {

const int kMailboxWriteFailed = 7;

void LogOffOrLock(ShutdownType action, bool force)
{
    // Neither result is examined: a refused log-off or lock is not reported.
    if (action == LogOff)
        g_powerCalls.exitWindowsEx(force ? EWX_LOGOFF | EWX_FORCE : EWX_LOGOFF, 0);
    else if (action == StationLock)
        g_powerCalls.lockWorkStation();
}

// Opens the process token and enables the shutdown privilege in it; the open
// token is returned only when the privilege is enabled, and closed otherwise.
HANDLE OpenTokenWithShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!g_powerCalls.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                       &token))
        return nullptr;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = 0;
    privileges.Privileges[0].Luid.HighPart = 0;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    // AdjustTokenPrivileges succeeds even when the account does not hold the
    // privilege; only the last error (ERROR_NOT_ALL_ASSIGNED) tells.
    g_powerCalls.adjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    if (GetLastError() != ERROR_SUCCESS) {
        CloseHandle(token);
        return nullptr;
    }
    return token;
}

// Returns the action's own value when the system refuses it.
int ActDirectly(ShutdownType action, bool force)
{
    const BOOL forceFlag = force ? TRUE : FALSE;
    const BOOLEAN forceCritical = force ? TRUE : FALSE;
    BOOL done = TRUE;
    switch (action) {
    case Shutdown:
        done = g_powerCalls.initiateSystemShutdownA(nullptr, nullptr, 0, forceFlag, FALSE);
        break;
    case Hibernation:
        done = g_countdown.suspendEntry ? g_countdown.suspendEntry(TRUE, forceCritical, FALSE)
                                        : g_powerCalls.setSystemPowerState(FALSE, forceFlag);
        break;
    case Standby:
        done = g_countdown.suspendEntry ? g_countdown.suspendEntry(FALSE, forceCritical, FALSE)
                                        : g_powerCalls.setSystemPowerState(TRUE, forceFlag);
        break;
    case Restart:
        done = g_powerCalls.initiateSystemShutdownA(nullptr, nullptr, 0, forceFlag, TRUE);
        break;
    default:
        break;
    }
    return done ? 0 : static_cast<int>(action);
}

int RelayToService(ShutdownType action, bool force)
{
    // The companion service may have started after the window was created.
    if (!g_countdown.serviceEvent)
        g_countdown.serviceEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, kServiceEventName);
    // A task that cannot start does not hold the action back: the service
    // then acts without waiting for anything.
    if (g_settings.perform_task)
        RunPreShutdownTask();
    wchar_t message[kMailboxMessageCapacity];
    ComposeActionMessage(action, force, message, kMailboxMessageCapacity);
    if (!PostServiceMessage(message))
        return kMailboxWriteFailed;
    // One pulse covers the wait message and the action message; without the
    // event the service still finds both when it next looks.
    if (g_countdown.serviceEvent)
        PulseEvent(g_countdown.serviceEvent);
    return 0;
}

}  // namespace

int PowerDown(ShutdownType action, bool force)
{
    if (action >= LogOff) {
        LogOffOrLock(action, force);
        return 0;
    }
    if (g_settings.perform_task)
        return RelayToService(action, force);
    // Held, and closed, until the call has been made.
    ScopedHandle token(OpenTokenWithShutdownPrivilege());
    if (!token.Valid())
        return RelayToService(action, force);
    return ActDirectly(action, force);
}

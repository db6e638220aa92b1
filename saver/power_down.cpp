// PowerDown: log off and lock directly; power actions directly when the
// shutdown privilege can be enabled and no task is configured, otherwise
// relayed to the companion service; standby on a machine without S3 by
// turning the display off, after the task.
#include "power_down.h"

#include "countdown_state.h"
#include "power_calls.h"
#include "pre_shutdown_task.h"
#include "scoped_handles.h"
#include "service_mailbox.h"

#include <stddef.h>
#include <string.h>

namespace {

const int kMailboxWriteFailed = 7;
const LPARAM kDisplayOff = 2;  // SC_MONITORPOWER's "off"
const UINT kDisplayOffTimeoutMs = 2000;

// mingw-w64's SYSTEM_POWER_CAPABILITIES has no AoAc member ("always on, always
// connected": the machine sleeps in S0 low-power idle); the platform's
// structure has it at byte 20, where mingw-w64 has spare2[2].
BOOLEAN AoAc(const SYSTEM_POWER_CAPABILITIES& capabilities)
{
    return capabilities.spare2[2];
}
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, spare2) + 2 == 20, "AoAc is the byte at offset 20");

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

// Such a machine enters its standby when the display goes off; SetSuspendState
// would hibernate it or do nothing. A broadcast, so that the saver's own window
// is not the only one to hear it and a hung window cannot hold it up. Its result
// is not examined: a window that did not answer in time is no failure of standby.
void TurnDisplayOff()
{
    g_powerCalls.sendMessageTimeoutW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, kDisplayOff,
                                     SMTO_ABORTIFHUNG, kDisplayOffTimeoutMs, nullptr);
}

// Needs neither the privilege nor the companion service, so it takes neither route.
// A task is started with the same checks, but the saver waits for it itself:
// a task that could not start holds nothing back.
void StandByInS0LowPowerIdle()
{
    if (g_settings.perform_task) {
        DWORD processId = 0;
        g_countdown.standbyTask = StartPreShutdownTask(&processId);
        if (g_countdown.standbyTask)
            return;
    }
    TurnDisplayOff();
}

}  // namespace

bool OnlyS0LowPowerIdle(GetPwrCapabilitiesEntry getPwrCapabilities)
{
    if (!getPwrCapabilities)
        return false;
    // Wine leaves fields unwritten, AoAc among them.
    SYSTEM_POWER_CAPABILITIES capabilities;
    memset(&capabilities, 0, sizeof(capabilities));
    if (!getPwrCapabilities(&capabilities))
        return false;
    return AoAc(capabilities) && !capabilities.SystemS3;
}

void StandByOnceTaskEnded()
{
    // A wait that fails counts as ended, so that standby is not held back for good.
    if (!g_countdown.standbyTask || WaitForSingleObject(g_countdown.standbyTask, 0) == WAIT_TIMEOUT)
        return;
    CloseHandle(g_countdown.standbyTask);
    g_countdown.standbyTask = nullptr;
    TurnDisplayOff();
}

int PowerDown(ShutdownType action, bool force)
{
    if (action >= LogOff) {
        LogOffOrLock(action, force);
        return 0;
    }
    if (action == Standby && g_countdown.s0LowPowerIdleOnly) {
        StandByInS0LowPowerIdle();
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

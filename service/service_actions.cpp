#include "service_actions.h"

#include "service_log.h"
#include "service_power_calls.h"

#include <windows.h>

namespace {

// 0 when the privilege is enabled in the service's own token, else the error.
DWORD EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return GetLastError();
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD error = ERROR_SUCCESS;
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        error = GetLastError();
    // The call succeeds even when the account lacks the privilege; only the
    // last error (ERROR_NOT_ALL_ASSIGNED) tells.
    else if (!AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) ||
             GetLastError() != ERROR_SUCCESS)
        error = GetLastError();
    CloseHandle(token);
    return error;
}

}  // namespace

void CarryOutAction(const MailboxMessage& request)
{
    const wchar_t* verb = MailboxVerbText(request.verb);
    const wchar_t* forced = request.force ? L", forced" : L"";
    if (request.verb == kMailboxNoAction || request.verb == kMailboxWaitFor)
        return;
    DWORD privilegeError = EnableShutdownPrivilege();
    // The call is made all the same: it reports its own refusal below.
    if (privilegeError != ERROR_SUCCESS)
        ServiceLog(kLogWarning, L"The shutdown privilege cannot be enabled (%lu).", privilegeError);

    const ServicePowerCalls& calls = g_servicePowerCalls;
    const BOOL force = request.force ? TRUE : FALSE;
    const wchar_t* call = L"";
    BOOL done = FALSE;
    switch (request.verb) {
    case kMailboxShutdown:
    case kMailboxReboot:
        call = L"InitiateSystemShutdownExW";
        done = calls.initiateSystemShutdownExW(nullptr, nullptr, 0, force,
                                               request.verb == kMailboxReboot ? TRUE : FALSE,
                                               kRelayedShutdownReason);
        break;
    case kMailboxHibernate:
    case kMailboxStandby: {
        const BOOL hibernate = request.verb == kMailboxHibernate ? TRUE : FALSE;
        if (calls.setSuspendState) {
            call = L"SetSuspendState";
            done = calls.setSuspendState(static_cast<BOOLEAN>(hibernate), static_cast<BOOLEAN>(force),
                                         FALSE);
        } else {
            call = L"SetSystemPowerState";
            done = calls.setSystemPowerState(hibernate ? FALSE : TRUE, force);
        }
        break;
    }
    default:
        break;
    }
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    ServiceLog(done ? kLogInformation : kLogError, L"%ls%ls: %ls %ls (%lu).", verb, forced, call,
               done ? L"succeeded" : L"failed", error);
}

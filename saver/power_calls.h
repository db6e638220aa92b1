// The system calls that end the session or power the machine down, reached
// through one table so that tests can record them instead of carrying them out.
#pragma once

#include <windows.h>

struct PowerCalls {
    BOOL(WINAPI* openProcessToken)(HANDLE process, DWORD access, PHANDLE token);
    BOOL(WINAPI* adjustTokenPrivileges)(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState,
                                        DWORD bufferLength, PTOKEN_PRIVILEGES previousState,
                                        PDWORD returnLength);
    BOOL(WINAPI* initiateSystemShutdownA)(LPSTR machine, LPSTR message, DWORD timeout,
                                          BOOL forceAppsClosed, BOOL rebootAfterShutdown);
    BOOL(WINAPI* setSystemPowerState)(BOOL suspend, BOOL force);
    BOOL(WINAPI* exitWindowsEx)(UINT flags, DWORD reason);
    BOOL(WINAPI* lockWorkStation)();
};

// Holds the real calls; SetSuspendState is not here because it comes from
// the power module that the countdown window loads (CountdownState::suspendEntry).
extern PowerCalls g_powerCalls;
extern const PowerCalls kSystemPowerCalls;

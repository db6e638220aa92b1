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
    // Looks up the power module's entries (SetSuspendState, GetPwrCapabilities),
    // so that a test can hand out recorders and machines of its own in their place.
    FARPROC(WINAPI* getProcAddress)(HMODULE module, LPCSTR name);
    // Turns the display off, which puts a machine without S3 into its standby.
    LRESULT(WINAPI* sendMessageTimeoutW)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT flags, UINT timeout, PDWORD_PTR result);
};

// Holds the real calls; the power module's entries are kept in CountdownState
// (suspendEntry) once the countdown window has looked them up.
extern PowerCalls g_powerCalls;
extern const PowerCalls kSystemPowerCalls;

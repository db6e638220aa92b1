// The calls that power the machine down, reached through one table so that a
// test build of the service records them instead of carrying them out.
#pragma once

#include <windows.h>

typedef BOOL(WINAPI* InitiateSystemShutdownExWEntry)(LPWSTR machine, LPWSTR message, DWORD timeout,
                                                     BOOL forceAppsClosed, BOOL rebootAfterShutdown,
                                                     DWORD reason);
typedef BOOLEAN(WINAPI* SetSuspendStateEntry)(BOOLEAN hibernate, BOOLEAN forceCritical,
                                              BOOLEAN disableWakeEvent);
typedef BOOL(WINAPI* SetSystemPowerStateEntry)(BOOL suspend, BOOL force);

struct ServicePowerCalls {
    InitiateSystemShutdownExWEntry initiateSystemShutdownExW;
    SetSuspendStateEntry setSuspendState;  // null when powrprof.dll lacks it
    SetSystemPowerStateEntry setSystemPowerState;
};

extern ServicePowerCalls g_servicePowerCalls;

// Fills the table at start: the production build with the system's calls
// (InitiateSystemShutdownExW and SetSuspendState looked up by name, since
// Windows 2000 lacks the first and powrprof.dll may be missing), the test
// build with recorders.
void LoadServicePowerCalls();
void UnloadServicePowerCalls();

#include "service_power_calls.h"

namespace {

HMODULE g_powerModule = nullptr;

// Windows 2000 has no shutdown reasons: the plain call does the same there.
BOOL WINAPI ShutdownWithoutReason(LPWSTR machine, LPWSTR message, DWORD timeout,
                                  BOOL forceAppsClosed, BOOL rebootAfterShutdown, DWORD)
{
    return InitiateSystemShutdownW(machine, message, timeout, forceAppsClosed, rebootAfterShutdown);
}

}  // namespace

ServicePowerCalls g_servicePowerCalls = {ShutdownWithoutReason, nullptr, SetSystemPowerState};

void LoadServicePowerCalls()
{
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    FARPROC shutdownEx = advapi ? GetProcAddress(advapi, "InitiateSystemShutdownExW") : nullptr;
    if (shutdownEx)
        g_servicePowerCalls.initiateSystemShutdownExW =
            reinterpret_cast<InitiateSystemShutdownExWEntry>(reinterpret_cast<void*>(shutdownEx));
    g_powerModule = LoadLibraryW(L"powrprof.dll");
    FARPROC suspend = g_powerModule ? GetProcAddress(g_powerModule, "SetSuspendState") : nullptr;
    g_servicePowerCalls.setSuspendState =
        reinterpret_cast<SetSuspendStateEntry>(reinterpret_cast<void*>(suspend));
}

void UnloadServicePowerCalls()
{
    g_servicePowerCalls.setSuspendState = nullptr;
    if (g_powerModule)
        FreeLibrary(g_powerModule);
    g_powerModule = nullptr;
}

#include "power_calls.h"

const PowerCalls kSystemPowerCalls = {
    OpenProcessToken,
    AdjustTokenPrivileges,
    InitiateSystemShutdownA,
    SetSystemPowerState,
    ExitWindowsEx,
    LockWorkStation,
    GetProcAddress,
    SendMessageTimeoutW,
};

PowerCalls g_powerCalls = kSystemPowerCalls;

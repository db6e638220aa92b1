// The countdown window's process-wide state.
#pragma once

#include <windows.h>
#include <stdint.h>

typedef BOOLEAN(WINAPI* SetSuspendStateEntry)(BOOLEAN hibernate, BOOLEAN forceCritical,
                                              BOOLEAN disableWakeEvent);

const int kActionNameCapacity = 68;
const int kVersionTextCapacity = 260;
const int32_t kPreviewCountdown = 536870911;  // 0x1FFFFFFF: a preview never acts

struct CountdownState {
    int32_t remaining;
    bool preview;  // a preview never acts, so its count is never cut
    UINT_PTR timerId;
    wchar_t actionName[kActionNameCapacity];
    bool actionAttempted;
    int32_t lastError;
    uint32_t tickCount;
    HANDLE serviceEvent;
    HMODULE powerModule;
    SetSuspendStateEntry suspendEntry;
    SYSTEM_POWER_STATUS powerStatus;
    wchar_t versionText[kVersionTextCapacity];
};

extern CountdownState g_countdown;

// The values a snapshot holds before the first reading: everything unknown.
void ResetCountdownState(CountdownState& state);

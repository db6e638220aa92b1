// The countdown window's process-wide state.
#pragma once

#include "hold_verdict.h"

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
    bool s0LowPowerIdleOnly;  // no S3: standby is the display turned off
    HANDLE standbyTask;       // the task that such a standby waits for, until it has ended
    SYSTEM_POWER_STATUS powerStatus;
    wchar_t versionText[kVersionTextCapacity];
    // The holds of the full-screen saver: their rules, read once at creation,
    // the last looks at the programs and the sessions, and what row 1 shows.
    HoldRules holdRules;
    int32_t runningExempt;  // the first exempt program running at the last look, or -1
    OtherUsers otherUsers;  // the other users seen at the last look
    HoldVerdict hold;
};

extern CountdownState g_countdown;

// The values before creation: the snapshot's all unknown, nothing held.
void ResetCountdownState(CountdownState& state);

// The countdown window's process-wide state.
#pragma once

#include "action_holds.h"
#include "user_sessions.h"

#include <windows.h>
#include <stdint.h>

typedef BOOLEAN(WINAPI* SetSuspendStateEntry)(BOOLEAN hibernate, BOOLEAN forceCritical,
                                              BOOLEAN disableWakeEvent);

const int kActionNameCapacity = 68;
const int kVersionTextCapacity = 260;
const int32_t kPreviewCountdown = 536870911;  // 0x1FFFFFFF: a preview never acts

// What row 1 shows in place of the count while the action is held.
enum HoldKind : int32_t {
    kNotHeld = 0,
    kHeldByHours,
    kHeldByProgram,
    kHeldByOtherUser,
};

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
    // The holds of the full-screen saver, read once at creation.
    ActionHours actionHours;
    ExemptPrograms exemptPrograms;
    int32_t runningExempt;  // the first exempt program running at the last check, or -1
    HoldKind hold;
    int32_t heldProgram;    // the program row 1 names while held by one, else -1
    // The other user signed in at the last look at the sessions, or empty.
    wchar_t otherUser[kSessionUserNameCapacity];
};

extern CountdownState g_countdown;

// The values before creation: the snapshot's all unknown, nothing held.
void ResetCountdownState(CountdownState& state);

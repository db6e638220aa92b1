// The saver window's procedure: counts down once a second and acts once at zero.
#include "action_holds.h"
#include "battery_limit.h"
#include "countdown_state.h"
#include "power_calls.h"
#include "power_down.h"
#include "saver_settings.h"
#include "screensaver_framework.h"
#include "service_mailbox.h"
#include "status_block.h"
#include "status_rows.h"

#include <string.h>


namespace {

const UINT_PTR kTimerId = 1;
const UINT kTimerPeriodMs = 1000;
const LONG kPreviewMaxWidth = 320;
const uint32_t kPowerRefreshTicks = 15;

void CopyTextCut(wchar_t* destination, size_t capacity, const wchar_t* source)
{
    size_t length = wcslen(source);
    if (length >= capacity)
        length = capacity - 1;
    memcpy(destination, source, length * sizeof(wchar_t));
    destination[length] = 0;
}

void DrawRowText(HDC dc, int y, const wchar_t* text)
{
    TextOutW(dc, 0, y, text, static_cast<int>(wcslen(text)));
}

// A held count stays full; the battery cuts it again once the hold ends.
void LimitToBattery()
{
    if (!g_countdown.preview && g_countdown.hold.kind == kNotHeld)
        g_countdown.remaining = LimitCountdownToBattery(g_countdown.remaining, g_settings.countdown,
                                                        g_settings.eblris, g_countdown.powerStatus);
}

// The preview never acts, and after the one attempt nothing changes any more.
bool HoldsApply()
{
    return !g_countdown.preview && !g_countdown.actionAttempted;
}

bool SameHold(const HoldVerdict& a, const HoldVerdict& b)
{
    return a.kind == b.kind && a.program == b.program && a.users.error == b.users.error &&
           wcscmp(a.users.userName, b.users.userName) == 0;
}

// Weighs the holds with the hours now and the last looks at the programs and
// the sessions. A held count stays full, and when the hold ends the count
// starts from full again, as at creation, so that whoever comes back sees the
// whole warning. Returns true while held and on the call that ends a hold:
// the count does not move then.
bool UpdateHold(HWND window)
{
    const HoldVerdict hold = WeighHolds(g_countdown.holdRules,
                                        InsideActionHours(g_countdown.holdRules.hours, LocalMinuteOfDay()),
                                        g_countdown.runningExempt, g_countdown.otherUsers);
    const bool wasHeld = g_countdown.hold.kind != kNotHeld;
    // Rows are drawn without erasing: a shorter text would leave the tail of a
    // longer one behind.
    if (!SameHold(hold, g_countdown.hold))
        InvalidateRect(window, nullptr, TRUE);
    g_countdown.hold = hold;
    if (hold.kind == kNotHeld && !wasHeld)
        return false;
    g_countdown.remaining = g_settings.countdown;
    LimitToBattery();
    return true;
}

// The programs and the sessions, looked at together each time: at creation,
// with the power snapshot, and once more right before the action. The saver's
// own session is not another user's; where it cannot be told, none is left
// out and the saver's own user may hold the action too.
void CheckProgramsAndUsers()
{
    const HoldRules& rules = g_countdown.holdRules;
    g_countdown.runningExempt = FirstRunningExemptProgram(rules.programs);
    g_countdown.otherUsers.seen = kNoOtherUser;
    g_countdown.otherUsers.userName[0] = 0;
    g_countdown.otherUsers.error = 0;
    if (rules.usersHold) {
        const DWORD ownSession = CurrentSessionId();
        LookForOtherUsers(&ownSession, 1, rules.countDisconnected, &g_countdown.otherUsers);
    }
}

void FormatRow1(wchar_t* row, size_t capacity)
{
    if (g_countdown.hold.kind != kNotHeld)
        FormatHoldRow(g_countdown.actionName, g_countdown.hold, g_countdown.holdRules, row, capacity);
    else
        FormatCountdownRow(g_countdown.actionName, g_countdown.remaining, row, capacity);
}

FARPROC PowerModuleEntry(const char* name)
{
    return g_countdown.powerModule ? g_powerCalls.getProcAddress(g_countdown.powerModule, name)
                                   : nullptr;
}

LRESULT OnCreate(HWND window)
{
    LoadSettings();
    g_countdown.timerId = SetTimer(window, kTimerId, kTimerPeriodMs, nullptr);
    g_countdown.remaining = g_settings.countdown;
    RECT client;
    GetClientRect(window, &client);
    if (client.right < kPreviewMaxWidth) {
        g_countdown.remaining = kPreviewCountdown;
        g_countdown.preview = true;
    }
    TakePowerSnapshot(g_countdown);
    if (HoldsApply()) {
        HoldRulesFor(g_settings, g_settings.shutdown_type, &g_countdown.holdRules);
        CheckProgramsAndUsers();
        UpdateHold(window);
    }
    LimitToBattery();
    CopyTextCut(g_countdown.actionName, kActionNameCapacity, ActionName(g_settings.shutdown_type));
    g_countdown.serviceEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, kServiceEventName);
    BuildVersionText(g_countdown);
    g_countdown.powerModule = LoadLibraryA("powrprof.dll");
    g_countdown.suspendEntry = reinterpret_cast<SetSuspendStateEntry>(
        reinterpret_cast<void*>(PowerModuleEntry("SetSuspendState")));
    // The preview never acts.
    if (!g_countdown.preview)
        g_countdown.s0LowPowerIdleOnly = OnlyS0LowPowerIdle(reinterpret_cast<GetPwrCapabilitiesEntry>(
            reinterpret_cast<void*>(PowerModuleEntry("GetPwrCapabilities"))));
    return 0;
}

LRESULT OnTimer(HWND window)
{
    const bool countStays = HoldsApply() && UpdateHold(window);
    if (countStays) {
        // Held, or the hold has just ended and the full count is shown first.
    } else if (g_countdown.remaining > 0) {
        --g_countdown.remaining;
    } else if (!g_countdown.actionAttempted) {
        // A program started, or a user signed in, during a short countdown still holds it.
        CheckProgramsAndUsers();
        if (!UpdateHold(window)) {
            g_countdown.lastError = PowerDown(g_settings.shutdown_type, g_settings.force);
            if (g_countdown.lastError != 0)
                InvalidateRect(window, nullptr, TRUE);
            g_countdown.actionAttempted = true;
        }
    }
    StandByOnceTaskEnded();
    ++g_countdown.tickCount;
    if (g_countdown.tickCount % kPowerRefreshTicks == 0) {
        TakePowerSnapshot(g_countdown);
        if (HoldsApply()) {
            CheckProgramsAndUsers();
            UpdateHold(window);
        }
        LimitToBattery();
        InvalidateRect(window, nullptr, TRUE);
    } else {
        InvalidateRect(window, nullptr, FALSE);
    }
    return 0;
}

LRESULT OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return 0;
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    SetBkColor(dc, RGB(0, 0, 0));

    const wchar_t kTitle[] = L"Dusklatch";
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(dc, kTitle, static_cast<int>(wcslen(kTitle)), &extent);
    const int rowPitch = extent.cy;
    DrawRowText(dc, 0, kTitle);

    wchar_t row[kRowCapacity];
    FormatRow1(row, kRowCapacity);
    DrawRowText(dc, rowPitch, row);
    // A held count may stand at 0 (a countdown of 0), but no task waits yet.
    if (g_countdown.hold.kind == kNotHeld &&
        FormatStatusRow2(g_countdown.lastError, g_countdown.remaining, g_settings.perform_task,
                         g_settings.shutdown_type, g_settings.task_job, row, kRowCapacity))
        DrawRowText(dc, 2 * rowPitch, row);

    DrawStatusBlock(dc, window, g_countdown, rowPitch);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnDestroy(HWND window)
{
    if (g_countdown.powerModule) {
        FreeLibrary(g_countdown.powerModule);
        g_countdown.powerModule = nullptr;
        g_countdown.suspendEntry = nullptr;
    }
    if (g_countdown.serviceEvent) {
        CloseHandle(g_countdown.serviceEvent);
        g_countdown.serviceEvent = nullptr;
    }
    // The task itself runs on.
    if (g_countdown.standbyTask) {
        CloseHandle(g_countdown.standbyTask);
        g_countdown.standbyTask = nullptr;
    }
    KillTimer(window, g_countdown.timerId);
    PostQuitMessage(0);
    return 0;
}

}  // namespace

void ResetCountdownState(CountdownState& state)
{
    memset(&state, 0, sizeof(state));
    state.powerStatus.ACLineStatus = 255;
    state.powerStatus.BatteryFlag = 255;
    state.powerStatus.BatteryLifePercent = 255;
    state.powerStatus.BatteryLifeTime = 0xFFFFFFFFu;
    state.powerStatus.BatteryFullLifeTime = 0xFFFFFFFFu;
    state.runningExempt = -1;
    state.hold.program = -1;
}

namespace {

CountdownState InitialCountdownState()
{
    CountdownState state;
    ResetCountdownState(state);
    return state;
}

}  // namespace

CountdownState g_countdown = InitialCountdownState();

LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_TIMER:
        return OnTimer(window);
    case WM_PAINT:
        return OnPaint(window);
    case WM_DESTROY:
        return OnDestroy(window);
    default:
        return DefScreenSaverProc(window, message, wParam, lParam);
    }
}

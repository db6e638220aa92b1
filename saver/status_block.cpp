#include "status_block.h"

#include "process_bitness.h"
#include "status_rows.h"

#include <string.h>

namespace {

void DrawRow(HDC dc, int x, int y, const wchar_t* text)
{
    TextOutW(dc, x, y, text, static_cast<int>(wcslen(text)));
}

}  // namespace

void TakePowerSnapshot(CountdownState& state)
{
    // Not examined: a failed call leaves the previous (or unknown) values.
    GetSystemPowerStatus(&state.powerStatus);
}

void BuildVersionText(CountdownState& state)
{
    OSVERSIONINFOW version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    FormatVersionText(version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                      version.szCSDVersion, RunsOn64BitWindows(), state.versionText, kVersionTextCapacity);
}

void DrawStatusBlock(HDC dc, HWND window, const CountdownState& state, int rowPitch)
{
    wchar_t row[kRowCapacity];
    RECT client;
    GetClientRect(window, &client);
    if (FormatVersionRow(state.versionText, client.right, row, kRowCapacity)) {
        SetTextColor(dc, RGB(0xC0, 0xC0, 0xC0));
        SIZE extent = {0, 0};
        GetTextExtentPoint32W(dc, row, static_cast<int>(wcslen(row)), &extent);
        DrawRow(dc, client.right - extent.cx, 0, row);
    }

    SetTextColor(dc, RGB(0x00, 0xFF, 0x00));
    const SYSTEM_POWER_STATUS& power = state.powerStatus;
    FormatAcLineRow(power.ACLineStatus, row, kRowCapacity);
    DrawRow(dc, 0, 4 * rowPitch, row);
    FormatBatteryFlagRow(power.BatteryFlag, row, kRowCapacity);
    DrawRow(dc, 0, 5 * rowPitch, row);
    FormatBatteryPercentRow(power.BatteryLifePercent, row, kRowCapacity);
    DrawRow(dc, 0, 6 * rowPitch, row);
    FormatBatteryLifeTimeRow(power.BatteryLifeTime, row, kRowCapacity);
    DrawRow(dc, 0, 7 * rowPitch, row);
    FormatBatteryFullLifeTimeRow(power.BatteryFullLifeTime, row, kRowCapacity);
    DrawRow(dc, 0, 8 * rowPitch, row);
}

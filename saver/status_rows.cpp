#include "status_rows.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

// Note: this toolchain's wide printf takes %ls for wide text and %s for narrow.

const wchar_t* ActionName(int32_t shutdownType)
{
    static const wchar_t* const kNames[] = {
        L"no_action", L"shutdown", L"hibernation", L"standby",
        L"restart", L"log off", L"station lock",
    };
    if (shutdownType < 0 || shutdownType > 6)
        return L"unknown_action";
    return kNames[shutdownType];
}

void FormatCountdownRow(const wchar_t* actionName, int32_t remaining, wchar_t* row, size_t capacity)
{
    int length = swprintf(row, capacity, L"System %ls in %d seconds...  ", actionName,
                          static_cast<int>(remaining));
    // "second" rather than "seconds": the row keeps its length and ends in four full stops.
    if (remaining == 1 && length >= 6)
        row[length - 6] = L'.';
}

void FormatHoldRow(const wchar_t* actionName, const HoldVerdict& hold, const HoldRules& rules, wchar_t* row,
                   size_t capacity)
{
    const int prefix = swprintf(row, capacity, L"System %ls held ", actionName);
    if (prefix < 0)
        return;
    DescribeHold(hold, rules, row + prefix, capacity - static_cast<size_t>(prefix));
}

bool FormatStatusRow2(int32_t lastError, int32_t remaining, bool performTask,
                      int32_t shutdownType, const wchar_t* taskJob, wchar_t* row, size_t capacity)
{
    if (lastError != 0) {
        swprintf(row, capacity, L"PowerDown() failed (error code %i).", static_cast<int>(lastError));
        return true;
    }
    if (remaining == 0 && performTask && shutdownType < 5) {
        swprintf(row, capacity, L"Waiting for task \"%ls\" to complete...", taskJob);
        return true;
    }
    if (capacity)
        row[0] = 0;
    return false;
}

void FormatVersionText(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack,
                       bool is64BitWindows, wchar_t* text, size_t capacity)
{
    swprintf(text, capacity, L"Windows %d.%d build %d %ls %ls", static_cast<int>(major),
             static_cast<int>(minor), static_cast<int>(build), servicePack,
             is64BitWindows ? L" (64bit version)" : L"");
}

bool FormatVersionRow(const wchar_t* versionText, LONG clientWidth, wchar_t* row, size_t capacity)
{
    if (clientWidth < kVersionRowMinWidth)
        return false;
    swprintf(row, capacity, L"Running on %ls", versionText);
    return true;
}

void FormatAcLineRow(BYTE acLineStatus, wchar_t* row, size_t capacity)
{
    const wchar_t* state = L"";
    if (acLineStatus == 0)
        state = L"offline";
    else if (acLineStatus == 1)
        state = L"online";
    else if (acLineStatus == 255)
        state = L"unknown";
    swprintf(row, capacity, L"AC power status: %ls", state);
}

void FormatBatteryFlagRow(BYTE batteryFlag, wchar_t* row, size_t capacity)
{
    static const struct {
        BYTE flag;
        const wchar_t* text;
    } kFlags[] = {
        {1, L"high                        "},
        {2, L"low                         "},
        {4, L"critical                    "},
        {9, L"charging (level: high)      "},
        {10, L"charging (level: low)       "},
        {12, L"charging (level: critical)  "},
        {128, L"no system battery"},
        {255, L"unknown"},
    };
    for (const auto& entry : kFlags) {
        if (entry.flag == batteryFlag) {
            swprintf(row, capacity, L"Battery charge status: %ls", entry.text);
            return;
        }
    }
    swprintf(row, capacity, L"Battery charge status: %d                           ",
             static_cast<int>(batteryFlag));
}

void FormatBatteryPercentRow(BYTE percent, wchar_t* row, size_t capacity)
{
    if (percent == 255)
        swprintf(row, capacity, L"Battery life percent: unknown");
    else
        swprintf(row, capacity, L"Battery life percent: %d%%  ", static_cast<int>(percent));
}

void FormatLifeTimeRow(const wchar_t* label, DWORD seconds, wchar_t* row, size_t capacity)
{
    if (seconds == 0xFFFFFFFFu)
        swprintf(row, capacity, L"%ls: unknown", label);
    else
        swprintf(row, capacity, L"%ls: %u hr  %.2u min    ", label,
                 static_cast<unsigned>(seconds / 3600), static_cast<unsigned>((seconds % 3600) / 60));
}

void FormatBatteryLifeTimeRow(DWORD seconds, wchar_t* row, size_t capacity)
{
    FormatLifeTimeRow(L"Battery life time remaining", seconds, row, capacity);
}

void FormatBatteryFullLifeTimeRow(DWORD seconds, wchar_t* row, size_t capacity)
{
    FormatLifeTimeRow(L"Battery full life time", seconds, row, capacity);
}

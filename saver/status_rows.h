// Texts of the countdown screen's rows, as pure functions of the state.
#pragma once

#include "hold_verdict.h"

#include <windows.h>
#include <stdint.h>

const int kRowCapacity = 400;
const int kVersionRowMinWidth = 750;

const wchar_t* ActionName(int32_t shutdownType);
void FormatCountdownRow(const wchar_t* actionName, int32_t remaining, wchar_t* row, size_t capacity);
// Row 1 while a hold keeps the count full: "System %s held " and the hold in
// words, the end of which stays when a long user name has to give way.
void FormatHoldRow(const wchar_t* actionName, const HoldVerdict& hold, const HoldRules& rules, wchar_t* row,
                   size_t capacity);
// Row 2: the error row, the waiting row or nothing (false).
bool FormatStatusRow2(int32_t lastError, int32_t remaining, bool performTask,
                      int32_t shutdownType, const wchar_t* taskJob, wchar_t* row, size_t capacity);
void FormatVersionText(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack,
                       bool is64BitWindows, wchar_t* text, size_t capacity);
// The silver row; false when the screen is too narrow for it.
bool FormatVersionRow(const wchar_t* versionText, LONG clientWidth, wchar_t* row, size_t capacity);
void FormatAcLineRow(BYTE acLineStatus, wchar_t* row, size_t capacity);
void FormatBatteryFlagRow(BYTE batteryFlag, wchar_t* row, size_t capacity);
void FormatBatteryPercentRow(BYTE percent, wchar_t* row, size_t capacity);
void FormatLifeTimeRow(const wchar_t* label, DWORD seconds, wchar_t* row, size_t capacity);
void FormatBatteryLifeTimeRow(DWORD seconds, wchar_t* row, size_t capacity);
void FormatBatteryFullLifeTimeRow(DWORD seconds, wchar_t* row, size_t capacity);

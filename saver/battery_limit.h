// "Ensure battery life time remaining is sufficient": on battery power, a
// countdown the battery might not outlast is cut to half the time it has left.
#pragma once

#include <windows.h>
#include <stdint.h>

// The remaining seconds the saver should count from: min(remaining,
// BatteryLifeTime / 2) when the option is on, the computer runs on battery
// (ACLineStatus 0), the battery's time is known and is less than twice the
// countdown; otherwise remaining unchanged. Never lengthens the count.
int32_t LimitCountdownToBattery(int32_t remaining, int32_t countdown, bool eblris,
                                const SYSTEM_POWER_STATUS& power);

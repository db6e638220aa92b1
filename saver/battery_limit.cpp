#include "battery_limit.h"

namespace {

const DWORD kUnknownLifeTime = 0xFFFFFFFFu;

}  // namespace

int32_t LimitCountdownToBattery(int32_t remaining, int32_t countdown, bool eblris,
                                const SYSTEM_POWER_STATUS& power)
{
    if (!eblris || power.ACLineStatus != 0 || power.BatteryLifeTime == kUnknownLifeTime)
        return remaining;
    // Twice a large countdown does not fit 32 bits.
    if (static_cast<int64_t>(power.BatteryLifeTime) >= 2 * static_cast<int64_t>(countdown))
        return remaining;
    const int64_t half = power.BatteryLifeTime / 2;
    return half < remaining ? static_cast<int32_t>(half) : remaining;
}

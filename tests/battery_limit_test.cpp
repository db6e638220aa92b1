#include "battery_limit.h"

#include <gtest/gtest.h>

TEST(BatteryLimit, CutsOnlyOnBatteryWithAKnownShortLifeTime)
{
    const DWORD kUnknown = 0xFFFFFFFFu;
    const struct {
        const char* name;
        int32_t remaining;
        int32_t countdown;
        bool eblris;
        BYTE acLine;
        DWORD lifeTime;
        int32_t expected;
    } rows[] = {
        {"short battery halves the count", 900, 900, true, 0, 1000, 500},
        {"just under twice", 900, 900, true, 0, 1799, 899},
        {"option off", 900, 900, false, 0, 1000, 900},
        {"on AC power", 900, 900, true, 1, 1000, 900},
        {"life time unknown", 900, 900, true, 0, kUnknown, 900},
        {"never lengthens an advanced count", 100, 900, true, 0, 1000, 100},
        {"an almost empty battery acts at once", 900, 900, true, 0, 1, 0},
        {"twice a huge countdown does not overflow", 2000000000, 2000000000, true, 0, 4000000000u, 2000000000},
    };
    for (const auto& row : rows) {
        SYSTEM_POWER_STATUS power = {};
        power.ACLineStatus = row.acLine;
        power.BatteryLifeTime = row.lifeTime;
        EXPECT_EQ(row.expected, LimitCountdownToBattery(row.remaining, row.countdown, row.eblris, power))
            << row.name;
    }
}

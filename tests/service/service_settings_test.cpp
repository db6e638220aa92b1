// What the companion service takes from the settings: a value that would make
// it act only from policy or from a file only administrators may change.
#include "service_settings.h"

#include <gtest/gtest.h>

TEST(ServiceSettings, ValuesThatMakeTheServiceActNeedATrustedSource)
{
    const struct {
        const char* name;
        bool fromPolicy;
        bool fileProtected;
        int32_t minutesRead;
        int32_t holdRead;
        int32_t minutes;  // shutdown_when_nobody_signed_in taken
        int32_t hold;     // hold_for_other_users taken
    } kCases[] = {
        {"policy", true, false, 30, 0, 30, 0},
        {"administrators' file", false, true, 1440, 1, 1440, 1},
        {"a file others may change", false, false, 1, 0, 0, kHoldWhileOtherUserSignedIn},
        {"a file others may change", false, false, 0, 2, 0, 2},
    };
    for (const auto& c : kCases) {
        const SettingSource source = SettingSourceOf(c.fromPolicy, c.fileProtected);
        EXPECT_EQ(c.minutes, TrustedNobodySignedInMinutes(c.minutesRead, source)) << c.name;
        EXPECT_EQ(c.hold, TrustedHoldForOtherUsers(c.holdRead, source)) << c.name;
    }
}

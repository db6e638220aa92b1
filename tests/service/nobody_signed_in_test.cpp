// The service's decision, minute by minute, to shut down a computer nobody is signed in to.
#include "nobody_signed_in.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Minute {
    int32_t configured;
    SessionsSeen seen;
    bool held;
    bool shutDown;  // expected
};

const SessionsSeen N = kNobodySignedIn;
const SessionsSeen S = kSomeoneSignedIn;
const SessionsSeen U = kSessionsUnknown;

// The longest setting: 1439 minutes of waiting, then the shutdown.
std::vector<Minute> WholeDay()
{
    std::vector<Minute> minutes(1439, {1440, N, false, false});
    minutes.push_back({1440, N, false, true});
    return minutes;
}

TEST(NobodySignedIn, ShutsDownOnceAfterTheConfiguredMinutes)
{
    const struct {
        const char* name;
        std::vector<Minute> minutes;
    } kCases[] = {
        {"off", {{0, N, false, false}, {0, N, false, false}, {0, N, false, false}}},
        {"one minute", {{1, N, false, true}}},
        {"three minutes, then no second attempt",
         {{3, N, false, false}, {3, N, false, false}, {3, N, false, true}, {3, N, false, false}, {3, N, false, false}}},
        {"a user signed in starts the count again",
         {{2, N, false, false}, {2, S, false, false}, {2, N, false, false}, {2, N, false, true}}},
        {"a failed look counts as someone signed in",
         {{2, N, false, false}, {2, U, false, false}, {2, N, false, false}, {2, N, false, true}}},
        {"a hold starts the count again when it ends",
         {{2, N, false, false}, {2, N, true, false}, {2, N, true, false}, {2, N, false, false}, {2, N, false, true}}},
        {"turned on later: counted from then",
         {{0, N, false, false}, {0, N, false, false}, {2, N, false, false}, {2, N, false, true}}},
        {"shortened below the minutes counted: at once", {{5, N, false, false}, {5, N, false, false}, {1, N, false, true}}},
        {"a new attempt after a user has signed in again",
         {{1, N, false, true}, {1, N, false, false}, {1, S, false, false}, {1, N, false, true}}},
        {"a failed look does not allow a new attempt",
         {{1, N, false, true}, {1, U, false, false}, {1, N, false, false}}},
        {"a whole day", WholeDay()},
    };
    for (const auto& c : kCases) {
        NobodySignedInState state = {};
        for (size_t i = 0; i < c.minutes.size(); ++i) {
            const Minute& minute = c.minutes[i];
            EXPECT_EQ(minute.shutDown, NobodySignedInMinute(&state, minute.configured, minute.seen, minute.held))
                << c.name << ", minute " << i + 1;
        }
    }
}

}  // namespace

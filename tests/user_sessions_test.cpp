// Who counts as signed in, over session records as the terminal services list them.
#include "user_sessions.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SignedInSessions, StateNameAndOwnSessionDecide)
{
    const DWORD own = 1;
    const struct {
        const char* name;
        std::vector<SessionRecord> sessions;
        bool countDisconnected;
        int expected;
        DWORD excluded;
    } kCases[] = {
        {"nobody", {}, true, -1, own},
        {"another user, active", {{2, WTSActive, L"ana"}}, false, 0, own},
        {"another user, disconnected", {{2, WTSDisconnected, L"ana"}}, false, -1, own},
        {"another user, disconnected, counted", {{2, WTSDisconnected, L"ana"}}, true, 0, own},
        {"the own session", {{own, WTSActive, L"me"}}, true, -1, own},
        {"no user name", {{0, WTSDisconnected, L""}, {3, WTSActive, L""}}, true, -1, own},
        // A name that cannot be read may be anyone's: when in doubt, someone works there.
        {"a name that cannot be read", {{3, WTSActive, nullptr}}, true, 0, own},
        {"a name that cannot be read, disconnected, not counted", {{3, WTSDisconnected, nullptr}}, false, -1, own},
        {"states without a user at work",
         {{3, WTSConnected, L"a"}, {4, WTSConnectQuery, L"b"}, {5, WTSShadow, L"c"}, {6, WTSIdle, L"d"},
          {7, WTSListen, L"e"}, {8, WTSReset, L"f"}, {9, WTSDown, L"g"}, {10, WTSInit, L"h"}},
         true, -1, own},
        {"the first that counts names the user",
         {{own, WTSActive, L"me"}, {2, WTSDisconnected, L"ana"}, {3, WTSActive, L"bo"}, {4, WTSActive, L"cy"}},
         false, 2, own},
        {"disconnected before active, both counted", {{2, WTSDisconnected, L"ana"}, {3, WTSActive, L"bo"}}, true, 0,
         own},
        // The companion service counts every session.
        {"nothing excluded", {{own, WTSActive, L"me"}}, true, 0, kNoSession},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.expected, FirstSignedInSession(c.sessions.data(), static_cast<int>(c.sessions.size()),
                                                   &c.excluded, 1, c.countDisconnected))
            << c.name;
    // The companion service leaves out every session in which a screen saver runs.
    const DWORD savers[] = {1, 4};
    const SessionRecord sessions[] = {{4, WTSActive, L"bo"}, {1, WTSActive, L"me"}, {5, WTSDisconnected, L"cy"}};
    EXPECT_EQ(2, FirstSignedInSession(sessions, 3, savers, 2, true));
}

// Wine's terminal services list no session at all: the look succeeds and finds nobody.
TEST(SignedInSessions, TheSystemsListAnswers)
{
    OtherUsers found = {kSessionsNotListed, 5, L"x"};
    LookForOtherUsers(nullptr, 0, true, &found);
    EXPECT_EQ(kNoOtherUser, found.seen);
    EXPECT_STREQ(L"", found.userName);
    EXPECT_NE(kNoSession, CurrentSessionId());
}

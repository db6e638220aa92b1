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
        {"no name at all", {{3, WTSActive, nullptr}}, true, -1, own},
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
                                                   c.excluded, c.countDisconnected))
            << c.name;
}

// Wine's terminal services list no session at all: the look succeeds and finds nobody.
TEST(SignedInSessions, TheSystemsListAnswers)
{
    bool found = true;
    wchar_t user[kSessionUserNameCapacity] = L"x";
    EXPECT_TRUE(FindSignedInSession(kNoSession, true, &found, user, kSessionUserNameCapacity));
    EXPECT_FALSE(found);
    EXPECT_STREQ(L"", user);
    EXPECT_NE(kNoSession, CurrentSessionId());
}

#include "action_holds.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

int Clock(int hours, int minutes)
{
    return hours * 60 + minutes;
}

std::wstring Names(int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += L"n" + std::to_wstring(i) + L".exe;";
    return text;
}

}  // namespace

TEST(HoldHours, ParseAndInside)
{
    const struct {
        const wchar_t* text;
        int minute;
        bool inside;
    } kCases[] = {
        {L"19:00-07:00", Clock(19, 0), true},  // the start minute is inside
        {L"19:00-07:00", Clock(18, 59), false},
        {L"19:00-07:00", Clock(23, 59), true},
        {L"19:00-07:00", Clock(0, 0), true},
        {L"19:00-07:00", Clock(6, 59), true},
        {L"19:00-07:00", Clock(7, 0), false},  // the end minute is not
        {L"19:00-07:00", Clock(12, 0), false},
        {L"08:00-17:30", Clock(7, 59), false},
        {L"08:00-17:30", Clock(8, 0), true},
        {L"08:00-17:30", Clock(17, 29), true},
        {L"08:00-17:30", Clock(17, 30), false},
        {L"00:00-23:59", Clock(23, 59), false},
        {L"23:59-00:00", Clock(23, 59), true},
        {L"23:59-00:00", Clock(0, 0), false},
        {L"12:00-12:00", Clock(0, 0), true},  // equal ends: all day
        {L"12:00-12:00", Clock(11, 59), true},
        {L"00:00-00:00", Clock(23, 59), true},
        // Not of the form: no restriction, even at a minute the text seems to exclude.
        {L"", Clock(12, 0), true},
        {L"9:00-17:00", Clock(20, 0), true},
        {L"09:00-17:0", Clock(20, 0), true},
        {L"09:00-17:000", Clock(20, 0), true},
        {L" 09:00-17:00", Clock(20, 0), true},
        {L"09:00-17:00 ", Clock(20, 0), true},
        {L"09:00 17:00", Clock(20, 0), true},
        {L"09.00-17.00", Clock(20, 0), true},
        {L"24:00-07:00", Clock(12, 0), true},
        {L"19:60-07:00", Clock(12, 0), true},
        {L"19:00-07:60", Clock(12, 0), true},
        {L"ab:cd-ef:gh", Clock(12, 0), true},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.inside, InsideActionHours(ParseActionHours(c.text), c.minute))
            << "\"" << c.text << "\" at minute " << c.minute;
    EXPECT_EQ(Clock(19, 5), ParseActionHours(L"19:05-07:00").startMinute);
}

TEST(HoldPrograms, ParseLimitsCaseAndMatch)
{
    const std::wstring longest(64, L'x');
    const struct {
        std::wstring text;
        const wchar_t* fileName;
        int index;              // -1: no name matches
        const wchar_t* asWritten;
    } kCases[] = {
        {L"backup.exe;obs64.exe", L"obs64.exe", 1, L"obs64.exe"},
        {L"backup.exe;obs64.exe", L"OBS64.EXE", 1, L"obs64.exe"},
        {L"  Backup.EXE\t; obs64.exe ", L"backup.exe", 0, L"Backup.EXE"},
        {L";; ;a.exe;", L"a.exe", 0, L"a.exe"},
        {L"", L"backup.exe", -1, nullptr},
        {L"backup", L"backup.exe", -1, nullptr},
        {L"backup.exe", L"backup", -1, nullptr},
        {L"my backup.exe", L"my backup.exe", 0, L"my backup.exe"},
        {Names(16), L"n15.exe", 15, L"n15.exe"},
        {Names(17), L"n16.exe", -1, nullptr},  // a 17th name is ignored
        {longest + L";b.exe", longest.c_str(), 0, longest.c_str()},
        {longest + L"y;b.exe", L"b.exe", 0, L"b.exe"},  // 65 characters: skipped
        {longest + L"y;b.exe", (longest + L"y").c_str(), -1, nullptr},
    };
    for (const auto& c : kCases) {
        ExemptPrograms programs;
        ParseExemptPrograms(c.text.c_str(), &programs);
        const int index = ExemptProgramIndex(programs, c.fileName);
        EXPECT_EQ(c.index, index) << c.text;
        if (c.asWritten && index >= 0) {
            EXPECT_STREQ(c.asWritten, programs.names[index]) << c.text;
        }
    }
}

TEST(HoldPrograms, FindsTheFirstListedNameThatRuns)
{
    wchar_t path[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, path, MAX_PATH));
    const std::wstring self = CharUpperW(wcsrchr(path, L'\\') + 1);
    ExemptPrograms programs;
    ParseExemptPrograms((L"no-such-program.exe; " + self + L";" + self).c_str(), &programs);
    EXPECT_EQ(1, FirstRunningExemptProgram(programs));
    ParseExemptPrograms(L"no-such-program.exe", &programs);
    EXPECT_EQ(-1, FirstRunningExemptProgram(programs));
}

// The hours first, then the programs, then the other users; a name that cannot
// be read and a failed listing hold as a user would.
TEST(HoldVerdict, FirstHoldInOrder)
{
    const OtherUsersSeen none = kNoOtherUser, user = kOtherUserSignedIn, unlisted = kSessionsNotListed;
    const struct {
        const char* name;
        bool usersHold;
        bool insideHours;
        int program;
        OtherUsersSeen users;
        HoldKind expected;
    } kCases[] = {
        {"nothing", true, true, -1, none, kNotHeld},
        {"hours before programs and users", true, false, 2, user, kHeldByHours},
        {"programs before users", true, true, 2, unlisted, kHeldByProgram},
        {"another user", true, true, -1, user, kHeldByOtherUser},
        {"the sessions cannot be listed", true, true, -1, unlisted, kHeldBySessionsUnknown},
        {"users for an action they do not hold", false, true, -1, user, kNotHeld},
        {"a failed listing for an action users do not hold", false, true, -1, unlisted, kNotHeld},
    };
    for (const auto& c : kCases) {
        HoldRules rules = {};
        rules.usersHold = c.usersHold;
        const OtherUsers users = {c.users, 0, L""};
        const HoldVerdict verdict = WeighHolds(rules, c.insideHours, c.program, users);
        EXPECT_EQ(c.expected, verdict.kind) << c.name;
        EXPECT_EQ(c.expected == kHeldByProgram ? c.program : -1, verdict.program) << c.name;
    }
}

// Only shutdown and restart end other sessions; the setting says whose count.
TEST(HoldVerdict, RulesFromTheSettings)
{
    const struct {
        ShutdownType action;
        int32_t setting;
        bool usersHold;
        bool countDisconnected;
    } kCases[] = {{Shutdown, 2, true, true}, {Restart, 1, true, false}, {Restart, 0, false, false},
                  {Hibernation, 2, false, true}, {StationLock, 2, false, true}};
    SaverSettings settings;
    ResetSaverSettings(settings);
    for (const auto& c : kCases) {
        settings.hold_for_other_users = c.setting;
        HoldRules rules;
        HoldRulesFor(settings, c.action, &rules);
        EXPECT_EQ(c.usersHold, rules.usersHold) << c.action << " " << c.setting;
        EXPECT_EQ(c.countDisconnected, rules.countDisconnected) << c.action << " " << c.setting;
    }
}

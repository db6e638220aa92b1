// The settings record: defaults, word rules, and save after load.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using SaverSettingsTest = SettingsFixture;

}  // namespace

TEST_F(SaverSettingsTest, NoFileGivesDefaultsAndSavesTheSevenLines)
{
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(1, g_settings.shutdown_type);
    EXPECT_TRUE(g_settings.force);
    EXPECT_EQ(900, g_settings.countdown);
    EXPECT_TRUE(g_settings.eblris);
    EXPECT_FALSE(g_settings.perform_task);
    EXPECT_STREQ(L"", g_settings.task_job);

    ASSERT_TRUE(SaveSettings());
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &bytes));
    EXPECT_EQ(Utf16Bytes(L"[Dusklatch]\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\n"
                         L"eblris=true\r\nperform_task=false\r\ntask_job=\r\n"),
              bytes);
}

TEST_F(SaverSettingsTest, BooleanWordsAndNumbers)
{
    struct {
        const wchar_t* force;
        const wchar_t* performTask;
        const wchar_t* countdown;
        bool expectForce;
        bool expectTask;
        int32_t expectCountdown;
    } const kCases[] = {
        {L"FALSE", L"TRUE", L"abc", false, true, 0},
        {L"False", L"True", L"-30", false, true, -30},
        {L"no", L"yes", L"60s", true, false, 60},
        {L"0", L"1", L" 15", true, false, 15},
        {L"", L"", L"", true, false, 0},
        {L"false ", L"true ", L"5", true, false, 5},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "force=" << c.force << " perform_task=" << c.performTask);
        SetUp();
        ASSERT_TRUE(WriteSettingsLines({std::wstring(L"force=") + c.force,
                                        std::wstring(L"perform_task=") + c.performTask,
                                        std::wstring(L"countdown=") + c.countdown, L"shutdown_type=9"}));
        LoadSettings();
        EXPECT_EQ(c.expectForce, g_settings.force);
        EXPECT_EQ(c.expectTask, g_settings.perform_task);
        EXPECT_EQ(c.expectCountdown, g_settings.countdown);
        EXPECT_EQ(9, g_settings.shutdown_type);
    }
}

TEST_F(SaverSettingsTest, LongTaskIsCutTo259Units)
{
    std::wstring task(400, L'q');
    ASSERT_TRUE(WriteSettingsLines({L"task_job=" + task}));
    LoadSettings();
    EXPECT_EQ(task.substr(0, 259), std::wstring(g_settings.task_job));
}

TEST_F(SaverSettingsTest, SaveAfterLoadKeepsOtherLinesAndAppendsMissingKeys)
{
    ASSERT_TRUE(WriteSettingsLines({L"; deployed", L"[Dusklatch]", L"separate_logon_config=true",
                                    L"logon_countdown=30", L"Countdown=120", L"custom=x=y"}));
    LoadSettings();
    EXPECT_EQ(120, g_settings.countdown);
    g_settings.countdown = 45;
    g_settings.shutdown_type = Restart;
    g_settings.perform_task = true;
    wcscpy(g_settings.task_job, L"notepad.exe");
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(L"; deployed\r\n[Dusklatch]\r\nseparate_logon_config=true\r\nlogon_countdown=30\r\n"
              L"Countdown=45\r\ncustom=x=y\r\nshutdown_type=4\r\nforce=true\r\neblris=true\r\n"
              L"perform_task=true\r\ntask_job=notepad.exe\r\n",
              ReadSettingsText());
}

TEST_F(SaverSettingsTest, LoadingTwiceDoesNotDuplicateLines)
{
    ASSERT_TRUE(WriteSettingsLines({L"[Dusklatch]", L"countdown=5"}));
    LoadSettings();
    LoadSettings();
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(0u, ReadSettingsText().find(L"[Dusklatch]\r\ncountdown=5\r\nshutdown_type=1\r\n"));
    EXPECT_EQ(std::wstring::npos, ReadSettingsText().find(L"[Dusklatch]", 1));
}

TEST(ServiceAccountName, MatchesEitherAccountFoldingAsciiOnly)
{
    struct {
        const wchar_t* user;
        const wchar_t* system;
        const wchar_t* localService;
        bool expected;
    } const kCases[] = {
        {L"SYSTEM", L"SYSTEM", L"LOCAL SERVICE", true},
        {L"system", L"SYSTEM", L"LOCAL SERVICE", true},
        {L"Local Service", L"SYSTEM", L"LOCAL SERVICE", true},
        {L"NT AUTHORITY\\SYSTEM", L"SYSTEM", L"LOCAL SERVICE", false},
        {L"root", L"SYSTEM", L"LOCAL SERVICE", false},
        {L"", L"", L"", false},
        {L"x", L"", L"", false},
        {L"SYSTEM", L"", L"", false},
        {L"\x00C9T\x00C9", L"\x00E9t\x00E9", L"", false},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.expected, IsServiceAccountName(c.user, c.system, c.localService)) << c.user;
}

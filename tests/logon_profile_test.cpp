// The logon profile under the account Wine reports for USER. ctest runs this
// program once per account; DUSKLATCH_EXPECT_SERVICE_ACCOUNT says which kind it is.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <stdlib.h>

namespace {

bool ExpectServiceAccount()
{
    const char* expect = getenv("DUSKLATCH_EXPECT_SERVICE_ACCOUNT");
    return expect && expect[0] == '1';
}

using LogonProfileTest = SettingsFixture;

}  // namespace

TEST_F(LogonProfileTest, AccountIsRecognised)
{
    EXPECT_EQ(ExpectServiceAccount(), CurrentUserIsServiceAccount());
}

TEST_F(LogonProfileTest, SeparateConfigSelectsLogonKeysForServiceAccountsOnly)
{
    ASSERT_TRUE(WriteSettingsLines({L"[Dusklatch]", L"shutdown_type=4", L"force=false", L"countdown=60",
                                    L"separate_logon_config=TRUE", L"logon_shutdown_type=6",
                                    L"logon_countdown=30", L"logon_perform_task=true",
                                    L"logon_task_job=cmd /c exit"}));
    LoadSettings();
    if (ExpectServiceAccount()) {
        EXPECT_EQ(6, g_settings.shutdown_type);
        EXPECT_TRUE(g_settings.force) << "a missing logon key gives the default, not the normal value";
        EXPECT_EQ(30, g_settings.countdown);
        EXPECT_TRUE(g_settings.perform_task);
        EXPECT_STREQ(L"cmd /c exit", g_settings.task_job);
    } else {
        EXPECT_EQ(4, g_settings.shutdown_type);
        EXPECT_FALSE(g_settings.force);
        EXPECT_EQ(60, g_settings.countdown);
        EXPECT_FALSE(g_settings.perform_task);
    }
}

TEST_F(LogonProfileTest, HoldsComeFromTheApplyingProfile)
{
    ASSERT_TRUE(WriteSettingsLines({L"action_hours=08:00-18:00", L"exempt_programs=a.exe",
                                    L"separate_logon_config=true", L"logon_action_hours=22:00-06:00",
                                    L"logon_exempt_programs=backup.exe"}));
    LoadSettings();
    EXPECT_STREQ(ExpectServiceAccount() ? L"22:00-06:00" : L"08:00-18:00", g_settings.action_hours);
    EXPECT_STREQ(ExpectServiceAccount() ? L"backup.exe" : L"a.exe", g_settings.exempt_programs);
}

TEST_F(LogonProfileTest, LogonProfileWithoutKeysGivesDefaults)
{
    ASSERT_TRUE(WriteSettingsLines({L"shutdown_type=4", L"countdown=60", L"separate_logon_config=true"}));
    LoadSettings();
    EXPECT_EQ(ExpectServiceAccount() ? 1 : 4, g_settings.shutdown_type);
    EXPECT_EQ(ExpectServiceAccount() ? 900 : 60, g_settings.countdown);
}

TEST_F(LogonProfileTest, NormalKeysApplyWithoutSeparateConfig)
{
    for (const wchar_t* flag : {L"separate_logon_config=false", L"separate_logon_config=yes", L"unrelated=1"}) {
        SetUp();
        ASSERT_TRUE(WriteSettingsLines({L"shutdown_type=3", flag, L"logon_shutdown_type=6"}));
        LoadSettings();
        EXPECT_EQ(3, g_settings.shutdown_type) << flag;
    }
}

TEST_F(LogonProfileTest, SaveWritesNormalKeysAndLeavesLogonKeys)
{
    ASSERT_TRUE(WriteSettingsLines({L"[Dusklatch]", L"separate_logon_config=true", L"logon_countdown=30"}));
    LoadSettings();
    ASSERT_TRUE(SaveSettings());
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &bytes));
    const wchar_t* countdownLine = ExpectServiceAccount() ? L"countdown=30\r\n" : L"countdown=900\r\n";
    EXPECT_EQ(Utf16Bytes(std::wstring(L"[Dusklatch]\r\nseparate_logon_config=true\r\nlogon_countdown=30\r\n"
                                      L"shutdown_type=1\r\nforce=true\r\n") +
                         countdownLine + L"eblris=true\r\nperform_task=false\r\ntask_job=\r\n"),
              bytes);
}

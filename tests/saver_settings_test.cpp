// The settings record: defaults, word rules, and save after load.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using SaverSettingsTest = SettingsFixture;

// Leaves no policy behind for the tests that follow in the same prefix.
class PolicyHoldsTest : public SettingsFixture {
protected:
    void TearDown() override
    {
        RemovePolicyKey();
        SettingsFixture::TearDown();
    }
};

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

// The holds are texts for the runtime to parse: loading takes them as stored.
TEST_F(SaverSettingsTest, HoldsAreReadAsStoredAndCutToTheirFields)
{
    const std::wstring longHours(kActionHoursCapacity + 8, L'9');
    const std::wstring longPrograms(kExemptProgramsCapacity + 8, L'p');
    struct {
        const char* name;
        std::vector<std::wstring> lines;
        std::wstring hours;
        std::wstring programs;
    } const kCases[] = {
        {"missing", {L"[Dusklatch]"}, L"", L""},
        {"as stored", {L"action_hours=19:00-07:00", L"exempt_programs=backup.exe;obs64.exe"}, L"19:00-07:00",
         L"backup.exe;obs64.exe"},
        {"not parsed here", {L"action_hours=soon", L"exempt_programs= ;;"}, L"soon", L" ;;"},
        {"logon keys are not the normal ones", {L"logon_action_hours=01:00-02:00", L"logon_exempt_programs=x.exe"},
         L"", L""},
        {"cut to the field", {L"action_hours=" + longHours, L"exempt_programs=" + longPrograms},
         longHours.substr(0, kActionHoursCapacity - 1), longPrograms.substr(0, kExemptProgramsCapacity - 1)},
    };
    for (const auto& c : kCases) {
        SetUp();
        ASSERT_TRUE(WriteSettingsLines(c.lines)) << c.name;
        LoadSettings();
        EXPECT_EQ(c.hours, std::wstring(g_settings.action_hours)) << c.name;
        EXPECT_EQ(c.programs, std::wstring(g_settings.exempt_programs)) << c.name;
    }
}

// Numbers inside their ranges; anything else, and no line at all, is the default.
TEST_F(SaverSettingsTest, RangedNumbersTakeTheirDefaultOutsideTheRange)
{
    const struct {
        const wchar_t* line;
        int32_t holdForOtherUsers;
        int32_t shutdownWhenNobodySignedIn;
    } kCases[] = {
        {L"[Dusklatch]", 2, 0},
        {L"hold_for_other_users=0", 0, 0},
        {L"hold_for_other_users= 2", 2, 0},
        {L"hold_for_other_users=1", 1, 0},
        {L"hold_for_other_users=3", 2, 0},
        {L"hold_for_other_users=-1", 2, 0},
        {L"hold_for_other_users=never", 2, 0},
        {L"hold_for_other_users=", 2, 0},
        {L"logon_hold_for_other_users=0", 2, 0},
        {L"shutdown_when_nobody_signed_in=1440", 2, 1440},
        {L"shutdown_when_nobody_signed_in=1441", 2, 0},
        {L"shutdown_when_nobody_signed_in=-120", 2, 0},
        {L"shutdown_when_nobody_signed_in=two hours", 2, 0},
        {L"shutdown_when_nobody_signed_in=120min", 2, 120},
    };
    for (const auto& c : kCases) {
        SetUp();
        ASSERT_TRUE(WriteSettingsLines({c.line}));
        LoadSettings();
        const std::string line(c.line, c.line + wcslen(c.line));
        EXPECT_EQ(c.holdForOtherUsers, g_settings.hold_for_other_users) << line;
        EXPECT_EQ(c.shutdownWhenNobodySignedIn, g_settings.shutdown_when_nobody_signed_in) << line;
    }
}

// The dialog has no controls for the holds: their lines stay as they stand.
TEST_F(SaverSettingsTest, SaveLeavesTheHoldsLinesAlone)
{
    ASSERT_TRUE(WriteSettingsLines({L"[Dusklatch]", L"action_hours=19:00-07:00"}));
    LoadSettings();
    wcscpy(g_settings.action_hours, L"08:00-09:00");
    wcscpy(g_settings.exempt_programs, L"backup.exe");
    ASSERT_TRUE(SaveSettings());
    EXPECT_EQ(L"[Dusklatch]\r\naction_hours=19:00-07:00\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\n"
              L"eblris=true\r\nperform_task=false\r\ntask_job=\r\n",
              ReadSettingsText());
}

// Policy sets a hold when its value is text that fits the field.
TEST_F(PolicyHoldsTest, PolicyTextsOverrideTheFile)
{
    wchar_t systemDrive[MAX_PATH];
    const DWORD driveLength = GetEnvironmentVariableW(L"SystemDrive", systemDrive, MAX_PATH);
    ASSERT_TRUE(driveLength > 0 && driveLength < MAX_PATH);
    const std::wstring fitting(kExemptProgramsCapacity - 1, L'p');
    struct {
        const char* name;
        const wchar_t* valueName;
        const wchar_t* type;
        std::wstring data;
        std::wstring hours;
        std::wstring programs;
    } const kCases[] = {
        {"text", L"action_hours", L"REG_SZ", L"19:00-07:00", L"19:00-07:00", L"file.exe"},
        {"expanded text", L"exempt_programs", L"REG_EXPAND_SZ", L"%SystemDrive%;obs64.exe", L"08:00-18:00",
         std::wstring(systemDrive) + L";obs64.exe"},
        {"longest text that fits", L"exempt_programs", L"REG_SZ", fitting, L"08:00-18:00", fitting},
        {"text too long", L"exempt_programs", L"REG_SZ", fitting + L"p", L"08:00-18:00", L"file.exe"},
        {"hours too long", L"action_hours", L"REG_SZ", std::wstring(kActionHoursCapacity, L'9'), L"08:00-18:00",
         L"file.exe"},
        {"a number", L"action_hours", L"REG_DWORD", L"1", L"08:00-18:00", L"file.exe"},
    };
    for (const auto& c : kCases) {
        SetUp();
        RemovePolicyKey();
        ASSERT_TRUE(WriteSettingsLines({L"action_hours=08:00-18:00", L"exempt_programs=file.exe"})) << c.name;
        ASSERT_TRUE(AddPolicyValue(L"", c.valueName, c.type, c.data)) << c.name;
        LoadSettings();
        EXPECT_EQ(c.hours, std::wstring(g_settings.action_hours)) << c.name;
        EXPECT_EQ(c.programs, std::wstring(g_settings.exempt_programs)) << c.name;
    }
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

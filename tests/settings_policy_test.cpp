// How policy values and the settings file make one record.
#include "settings_policy.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

PolicyValue Number(DWORD number, DWORD type = REG_DWORD, DWORD size = sizeof(DWORD))
{
    PolicyValue value = {};
    value.present = true;
    value.type = type;
    value.size = size;
    value.number = number;
    return value;
}

PolicyValue Text(const wchar_t* text, DWORD type = REG_SZ, bool fits = true)
{
    PolicyValue value = Number(0, type, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    value.textFits = fits;
    wcscpy(value.text, text);
    return value;
}

SaverSettings Record(ShutdownType type, bool force, int32_t countdown, bool eblris, bool performTask,
                     const wchar_t* taskJob, const wchar_t* actionHours = L"", const wchar_t* exemptPrograms = L"",
                     int32_t holdForOtherUsers = kHoldWhileOtherUserActive, int32_t nobodySignedInMinutes = 0)
{
    SaverSettings record = {};
    record.shutdown_type = type;
    record.force = force;
    record.countdown = countdown;
    record.eblris = eblris;
    record.perform_task = performTask;
    wcscpy(record.task_job, taskJob);
    wcscpy(record.action_hours, actionHours);
    wcscpy(record.exempt_programs, exemptPrograms);
    record.hold_for_other_users = holdForOtherUsers;
    record.shutdown_when_nobody_signed_in = nobodySignedInMinutes;
    return record;
}

typedef std::vector<std::pair<int, PolicyValue>> Values;
// The policy values in the record's order.
enum { kType, kForce, kCountdown, kEblris, kTask, kJob, kHours, kExempt, kOtherUsers, kNobodySignedIn };

TEST(PolicyMerge, ValidPolicyValuesOfTheApplyingProfileWinFieldByField)
{
    const SaverSettings fileNormal =
        Record(Restart, false, 60, false, true, L"file task", L"08:00-18:00", L"a.exe");
    const SaverSettings fileLogon = Record(StationLock, true, 30, true, false, L"logon task", L"22:00-06:00");
    const struct {
        const char* name;
        bool serviceAccount;
        bool separateLogonConfig;
        Values policy;
        Values logonPolicy;
        SaverSettings expected;
        uint32_t fields;
    } rows[] = {
        {"no policy", false, false, {}, {}, fileNormal, 0},
        {"every field", false, false,
         {{kType, Number(0)}, {kForce, Number(1)}, {kCountdown, Number(120)}, {kEblris, Number(1)},
          {kTask, Number(0)}, {kJob, Text(L"%SystemRoot%\\x.exe", REG_EXPAND_SZ)}},
         {}, Record(NoAction, true, 120, true, false, L"%SystemRoot%\\x.exe", L"08:00-18:00", L"a.exe"), 0x3F},
        {"countdown below the floor", false, false, {{kCountdown, Number(5)}}, {},
         Record(Restart, false, 15, false, true, L"file task", L"08:00-18:00", L"a.exe"), kPolicyCountdown},
        {"out of range", false, false,
         {{kType, Number(7)}, {kForce, Number(2)}, {kCountdown, Number(0x80000000u)}, {kTask, Number(0xFFFFFFFFu)},
          {kJob, Text(L"", REG_SZ, false)}},
         {}, fileNormal, 0},
        {"wrong types", false, false,
         {{kType, Number(3, REG_QWORD, 8)}, {kCountdown, Text(L"120")}, {kEblris, Number(1, REG_BINARY)},
          {kForce, Number(1, REG_DWORD, 2)}, {kJob, Number(1)}},
         {}, fileNormal, 0},
        {"logon values for an ordinary user", false, false, {{kCountdown, Number(120)}}, {{kType, Number(3)}},
         Record(Restart, false, 120, false, true, L"file task", L"08:00-18:00", L"a.exe"), kPolicyCountdown},
        {"logon value selects the logon profile", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Number(45)}}, Record(StationLock, true, 45, true, false, L"logon task", L"22:00-06:00"),
         kPolicyCountdown},
        {"only invalid logon values", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Text(L"45")}, {kType, Number(9)}},
         Record(Restart, false, 120, false, true, L"file task", L"08:00-18:00", L"a.exe"), kPolicyCountdown},
        {"the file selects the logon profile", true, true, {{kCountdown, Number(120)}}, {}, fileLogon, 0},
        {"hold texts", false, false,
         {{kHours, Text(L"19:00-07:00")}, {kExempt, Text(L"backup.exe;obs64.exe", REG_EXPAND_SZ)}}, {},
         Record(Restart, false, 60, false, true, L"file task", L"19:00-07:00", L"backup.exe;obs64.exe"),
         kPolicyActionHours | kPolicyExemptPrograms},
        // Hours not of their form are ignored; an empty list is a list (no program holds).
        {"hours that do not parse", false, false, {{kHours, Text(L"7pm-7am")}, {kExempt, Text(L"")}}, {},
         Record(Restart, false, 60, false, true, L"file task", L"08:00-18:00", L""), kPolicyExemptPrograms},
        {"hold texts that do not fit or are no text", false, false,
         {{kHours, Text(L"", REG_SZ, false)}, {kExempt, Number(1)}}, {}, fileNormal, 0},
        {"a hold in the Logon subkey selects the logon profile", true, false, {{kHours, Text(L"00:00-00:00")}},
         {{kExempt, Text(L"backup.exe")}},
         Record(StationLock, true, 30, true, false, L"logon task", L"22:00-06:00", L"backup.exe"),
         kPolicyExemptPrograms},
        // 0 to 2; a larger value is ignored like any invalid one.
        {"hold for other users", false, false, {{kOtherUsers, Number(0)}}, {},
         Record(Restart, false, 60, false, true, L"file task", L"08:00-18:00", L"a.exe", 0), kPolicyHoldForOtherUsers},
        {"hold for other users out of range", false, false, {{kOtherUsers, Number(3)}}, {}, fileNormal, 0},
        {"minutes nobody signed in", false, false, {{kNobodySignedIn, Number(1440)}}, {},
         Record(Restart, false, 60, false, true, L"file task", L"08:00-18:00", L"a.exe", 1, 1440),
         kPolicyShutdownWhenNobodySignedIn},
        {"minutes nobody signed in out of range", false, false, {{kNobodySignedIn, Number(1441)}}, {}, fileNormal, 0},
    };
    for (const auto& row : rows) {
        SettingsSources sources = {};
        sources.normal = fileNormal;
        sources.logon = fileLogon;
        sources.serviceAccount = row.serviceAccount;
        sources.separateLogonConfig = row.separateLogonConfig;
        for (const auto& value : row.policy)
            sources.policy.values[value.first] = value.second;
        for (const auto& value : row.logonPolicy)
            sources.logonPolicy.values[value.first] = value.second;
        SaverSettings record = {};
        EXPECT_EQ(row.fields, MergeSettings(sources, &record)) << row.name;
        EXPECT_EQ(row.expected.shutdown_type, record.shutdown_type) << row.name;
        EXPECT_EQ(row.expected.force, record.force) << row.name;
        EXPECT_EQ(row.expected.countdown, record.countdown) << row.name;
        EXPECT_EQ(row.expected.eblris, record.eblris) << row.name;
        EXPECT_EQ(row.expected.perform_task, record.perform_task) << row.name;
        EXPECT_STREQ(row.expected.task_job, record.task_job) << row.name;
        EXPECT_STREQ(row.expected.action_hours, record.action_hours) << row.name;
        EXPECT_STREQ(row.expected.exempt_programs, record.exempt_programs) << row.name;
        EXPECT_EQ(row.expected.hold_for_other_users, record.hold_for_other_users) << row.name;
        EXPECT_EQ(row.expected.shutdown_when_nobody_signed_in, record.shutdown_when_nobody_signed_in) << row.name;
    }
}

}  // namespace

// How policy values and the settings file make one record.
#include "settings_policy.h"

#include <gtest/gtest.h>

#include <string.h>

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

PolicyValue Text(const wchar_t* text, DWORD type = REG_SZ)
{
    PolicyValue value = {};
    value.present = true;
    value.type = type;
    value.textFits = wcslen(text) < kTaskJobCapacity;
    value.size = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    if (value.textFits)
        wcscpy(value.text, text);
    return value;
}

PolicyValue TooLongText()
{
    PolicyValue value = Text(L"");
    value.textFits = false;
    return value;
}

SaverSettings Record(ShutdownType type, bool force, int32_t countdown, bool eblris, bool task,
                     const wchar_t* job)
{
    SaverSettings record;
    ResetSaverSettings(record);
    record.shutdown_type = type;
    record.force = force;
    record.countdown = countdown;
    record.eblris = eblris;
    record.perform_task = task;
    wcscpy(record.task_job, job);
    return record;
}

typedef std::vector<std::pair<int, PolicyValue>> Values;
enum { kType, kForce, kCountdown, kEblris, kTask, kJob };

TEST(PolicyMerge, ValidPolicyValuesOfTheApplyingProfileWinFieldByField)
{
    const SaverSettings fileNormal = Record(Restart, false, 60, false, true, L"file task");
    const SaverSettings fileLogon = Record(StationLock, true, 30, true, false, L"logon task");
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
         {{kType, Number(2)}, {kForce, Number(1)}, {kCountdown, Number(120)}, {kEblris, Number(1)},
          {kTask, Number(0)}, {kJob, Text(L"%SystemRoot%\\x.exe", REG_EXPAND_SZ)}},
         {}, Record(Hibernation, true, 120, true, false, L"%SystemRoot%\\x.exe"), 0x3F},
        {"no action is an action", false, false, {{kType, Number(0)}}, {},
         Record(NoAction, false, 60, false, true, L"file task"), kPolicyShutdownType},
        {"countdown below the floor", false, false, {{kCountdown, Number(5)}}, {},
         Record(Restart, false, 15, false, true, L"file task"), kPolicyCountdown},
        {"out of range", false, false,
         {{kType, Number(7)}, {kForce, Number(2)}, {kCountdown, Number(0x80000000u)}, {kTask, Number(0xFFFFFFFFu)}},
         {}, fileNormal, 0},
        {"wrong types", false, false,
         {{kType, Number(3, REG_QWORD, 8)}, {kCountdown, Text(L"120")}, {kEblris, Number(1, REG_BINARY)},
          {kForce, Number(1, REG_DWORD, 2)}, {kJob, Number(1)}},
         {}, fileNormal, 0},
        {"empty task from policy", false, false, {{kJob, Text(L"")}}, {},
         Record(Restart, false, 60, false, true, L""), kPolicyTaskJob},
        {"task too long", false, false, {{kJob, TooLongText()}}, {}, fileNormal, 0},
        {"logon values for an ordinary user", false, false, {{kCountdown, Number(120)}}, {{kType, Number(3)}},
         Record(Restart, false, 120, false, true, L"file task"), kPolicyCountdown},
        {"logon value selects the logon profile", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Number(45)}}, Record(StationLock, true, 45, true, false, L"logon task"), kPolicyCountdown},
        {"only invalid logon values", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Text(L"45")}, {kType, Number(9)}},
         Record(Restart, false, 120, false, true, L"file task"), kPolicyCountdown},
        {"the file selects the logon profile", true, true, {{kCountdown, Number(120)}}, {}, fileLogon, 0},
        {"service account without logon profile", true, false, {{kType, Number(1)}}, {},
         Record(Shutdown, false, 60, false, true, L"file task"), kPolicyShutdownType},
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
        SaverSettings record;
        ResetSaverSettings(record);
        EXPECT_EQ(row.fields, MergeSettings(sources, &record)) << row.name;
        EXPECT_EQ(row.expected.shutdown_type, record.shutdown_type) << row.name;
        EXPECT_EQ(row.expected.force, record.force) << row.name;
        EXPECT_EQ(row.expected.countdown, record.countdown) << row.name;
        EXPECT_EQ(row.expected.eblris, record.eblris) << row.name;
        EXPECT_EQ(row.expected.perform_task, record.perform_task) << row.name;
        EXPECT_STREQ(row.expected.task_job, record.task_job) << row.name;
    }
}

}  // namespace

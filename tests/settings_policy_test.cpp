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

typedef std::vector<std::pair<int, PolicyValue>> Values;
enum { kType, kForce, kCountdown, kEblris, kTask, kJob };

TEST(PolicyMerge, ValidPolicyValuesOfTheApplyingProfileWinFieldByField)
{
    const SaverSettings fileNormal = {Restart, false, 60, false, true, L"file task"};
    const SaverSettings fileLogon = {StationLock, true, 30, true, false, L"logon task"};
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
         {}, {NoAction, true, 120, true, false, L"%SystemRoot%\\x.exe"}, 0x3F},
        {"countdown below the floor", false, false, {{kCountdown, Number(5)}}, {},
         {Restart, false, 15, false, true, L"file task"}, kPolicyCountdown},
        {"out of range", false, false,
         {{kType, Number(7)}, {kForce, Number(2)}, {kCountdown, Number(0x80000000u)}, {kTask, Number(0xFFFFFFFFu)},
          {kJob, Text(L"", REG_SZ, false)}},
         {}, fileNormal, 0},
        {"wrong types", false, false,
         {{kType, Number(3, REG_QWORD, 8)}, {kCountdown, Text(L"120")}, {kEblris, Number(1, REG_BINARY)},
          {kForce, Number(1, REG_DWORD, 2)}, {kJob, Number(1)}},
         {}, fileNormal, 0},
        {"logon values for an ordinary user", false, false, {{kCountdown, Number(120)}}, {{kType, Number(3)}},
         {Restart, false, 120, false, true, L"file task"}, kPolicyCountdown},
        {"logon value selects the logon profile", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Number(45)}}, {StationLock, true, 45, true, false, L"logon task"}, kPolicyCountdown},
        {"only invalid logon values", true, false, {{kCountdown, Number(120)}},
         {{kCountdown, Text(L"45")}, {kType, Number(9)}}, {Restart, false, 120, false, true, L"file task"},
         kPolicyCountdown},
        {"the file selects the logon profile", true, true, {{kCountdown, Number(120)}}, {}, fileLogon, 0},
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
    }
}

}  // namespace

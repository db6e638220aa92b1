#include "settings_policy.h"

#include <string.h>

uint32_t g_policyFields = 0;

namespace {

const int32_t kCountdownFloor = 15;  // the dialog's floor

bool IsNumber(const PolicyValue& value)
{
    return value.present && value.type == REG_DWORD && value.size == sizeof(DWORD);
}

bool ReadFlag(const PolicyValue& value, bool* flag)
{
    if (!IsNumber(value) || value.number > 1)
        return false;
    *flag = value.number == 1;
    return true;
}

// Sets one field from its value; false when the value is missing or invalid.
bool ApplyValue(int index, const PolicyValue& value, SaverSettings* record)
{
    switch (index) {
    case 0:
        if (!IsNumber(value) || value.number > StationLock)
            return false;
        record->shutdown_type = static_cast<ShutdownType>(value.number);
        return true;
    case 1:
        return ReadFlag(value, &record->force);
    case 2:
        if (!IsNumber(value) || value.number > 0x7FFFFFFFu)
            return false;
        record->countdown = value.number < kCountdownFloor ? kCountdownFloor
                                                          : static_cast<int32_t>(value.number);
        return true;
    case 3:
        return ReadFlag(value, &record->eblris);
    case 4:
        return ReadFlag(value, &record->perform_task);
    case 5:
        if (!value.present || (value.type != REG_SZ && value.type != REG_EXPAND_SZ) || !value.textFits)
            return false;
        memcpy(record->task_job, value.text, sizeof(record->task_job));
        record->task_job[kTaskJobCapacity - 1] = 0;
        return true;
    default:
        return false;
    }
}

bool HasValidValue(const PolicyProfile& profile)
{
    SaverSettings scratch;
    ResetSaverSettings(scratch);
    for (int i = 0; i < kPolicyValueCount; ++i)
        if (ApplyValue(i, profile.values[i], &scratch))
            return true;
    return false;
}

}  // namespace

uint32_t MergeSettings(const SettingsSources& sources, SaverSettings* record)
{
    const bool logon =
        sources.serviceAccount && (sources.separateLogonConfig || HasValidValue(sources.logonPolicy));
    *record = logon ? sources.logon : sources.normal;
    const PolicyProfile& policy = logon ? sources.logonPolicy : sources.policy;
    uint32_t fields = 0;
    for (int i = 0; i < kPolicyValueCount; ++i)
        if (ApplyValue(i, policy.values[i], record))
            fields |= 1u << i;
    return fields;
}

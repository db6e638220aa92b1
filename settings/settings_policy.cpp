#include "settings_policy.h"

#include <string.h>

uint32_t g_policyFields = 0;

namespace {

bool IsNumber(const PolicyValue& value)
{
    return value.present && value.type == REG_DWORD && value.size == sizeof(DWORD);
}

// Sets one field from its value; false when the value is missing or invalid.
bool ApplyValue(const SettingsField& field, const PolicyValue& value, SaverSettings* record)
{
    if (field.kind == kTextField) {
        if (!value.present || (value.type != REG_SZ && value.type != REG_EXPAND_SZ) || !value.textFits ||
            (field.textParses && !field.textParses(value.text)))
            return false;
        wchar_t* text = FieldText(*record, field);
        memcpy(text, value.text, field.capacity * sizeof(wchar_t));
        text[field.capacity - 1] = 0;
        return true;
    }
    if (!IsNumber(value) || value.number > field.policyMost)
        return false;
    if (field.kind == kRangedNumberField && !InFieldRange(field, value.number))
        return false;
    if (IsNumberKind(field.kind)) {
        const int32_t number = static_cast<int32_t>(value.number);
        FieldNumber(*record, field) = number < field.policyLeast ? field.policyLeast : number;
    } else {
        FieldFlag(*record, field) = value.number != 0;
    }
    return true;
}

bool HasValidValue(const PolicyProfile& profile)
{
    SaverSettings scratch;
    ResetSaverSettings(scratch);
    for (int i = 0; i < kSettingsFieldCount; ++i)
        if (ApplyValue(kSettingsFields[i], profile.values[i], &scratch))
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
    for (int i = 0; i < kSettingsFieldCount; ++i)
        if (ApplyValue(kSettingsFields[i], policy.values[i], record))
            fields |= kSettingsFields[i].policyBit;
    return fields;
}

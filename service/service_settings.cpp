#include "service_settings.h"

#include "settings_fields.h"
#include "settings_policy.h"
#include "settings_security.h"

SettingSource SettingSourceOf(bool fromPolicy, bool fileProtected)
{
    return fromPolicy ? kFromPolicy : fileProtected ? kFromProtectedFile : kFromOpenFile;
}

int32_t TrustedNobodySignedInMinutes(int32_t minutes, SettingSource source)
{
    return source == kFromOpenFile ? 0 : minutes;
}

int32_t TrustedHoldForOtherUsers(int32_t value, SettingSource source)
{
    return source == kFromOpenFile && value < kHoldWhileOtherUserSignedIn ? kHoldWhileOtherUserSignedIn : value;
}

void LoadServiceSettings(bool serviceAccount, ServiceSettings* settings)
{
    LoadSettingsForAccount(serviceAccount);
    settings->record = g_settings;
    SaverSettings& record = settings->record;
    // The file's protection is read at most once a load, and only for a value
    // that the checks would change: to them any other is the same from
    // either kind of file.
    int fileProtected = -1;
    auto sourceOf = [&](uint32_t policyBit, bool checked) {
        const bool fromPolicy = (g_policyFields & policyBit) != 0;
        if (!fromPolicy && checked && fileProtected < 0)
            fileProtected = SettingsFileIsAdminOnly() ? 1 : 0;
        return SettingSourceOf(fromPolicy, fileProtected > 0);
    };
    settings->nobodySignedInMinutesRead = record.shutdown_when_nobody_signed_in;
    settings->nobodySignedInSource =
        sourceOf(kPolicyShutdownWhenNobodySignedIn, record.shutdown_when_nobody_signed_in > 0);
    record.shutdown_when_nobody_signed_in =
        TrustedNobodySignedInMinutes(record.shutdown_when_nobody_signed_in, settings->nobodySignedInSource);
    record.hold_for_other_users = TrustedHoldForOtherUsers(
        record.hold_for_other_users,
        sourceOf(kPolicyHoldForOtherUsers, record.hold_for_other_users < kHoldWhileOtherUserSignedIn));
}

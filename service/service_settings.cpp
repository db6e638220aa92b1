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
    const bool minutesFromPolicy = (g_policyFields & kPolicyShutdownWhenNobodySignedIn) != 0;
    const bool holdFromPolicy = (g_policyFields & kPolicyHoldForOtherUsers) != 0;
    // The file's protection is read only where a value from the file would
    // make the service act: to the checks any other value is the same from
    // either kind of file.
    const bool fileProtected =
        ((!minutesFromPolicy && record.shutdown_when_nobody_signed_in > 0) ||
         (!holdFromPolicy && record.hold_for_other_users < kHoldWhileOtherUserSignedIn)) &&
        SettingsFileIsAdminOnly();
    settings->nobodySignedInMinutesRead = record.shutdown_when_nobody_signed_in;
    settings->nobodySignedInSource = SettingSourceOf(minutesFromPolicy, fileProtected);
    record.shutdown_when_nobody_signed_in =
        TrustedNobodySignedInMinutes(record.shutdown_when_nobody_signed_in, settings->nobodySignedInSource);
    record.hold_for_other_users =
        TrustedHoldForOtherUsers(record.hold_for_other_users, SettingSourceOf(holdFromPolicy, fileProtected));
}

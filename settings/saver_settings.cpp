#include "saver_settings.h"

#include "settings_fields.h"
#include "settings_policy.h"
#include "settings_store.h"

#include <windows.h>
#include <sddl.h>
#include <stdio.h>
#include <string.h>

namespace {

const int kWordCapacity = 256;
const int kNameCapacity = 256;

bool ReadFlag(const wchar_t* key, const wchar_t* defaultValue, const wchar_t* word)
{
    wchar_t value[kWordCapacity];
    GetStringValue(key, value, kWordCapacity, defaultValue);
    return SettingsWordEquals(value, word);
}

// Every field is overwritten: a key missing from the profile gives its default.
void ReadProfile(bool logon, SaverSettings& settings)
{
    for (const SettingsField& field : kSettingsFields) {
        const wchar_t* key = logon ? field.logonKey : field.key;
        const wchar_t* defaultWord = field.defaultNumber ? L"true" : L"false";
        switch (field.kind) {
        case kNumberField:
            FieldNumber(settings, field) = GetIntValue(key, field.defaultNumber);
            break;
        case kRangedNumberField: {
            int32_t number = 0;
            FieldNumber(settings, field) =
                GetNumberValue(key, &number) && InFieldRange(field, number) ? number : field.defaultNumber;
            break;
        }
        case kFlagUnlessFalse:
            FieldFlag(settings, field) = !ReadFlag(key, defaultWord, L"false");
            break;
        case kFlagIfTrue:
            FieldFlag(settings, field) = ReadFlag(key, defaultWord, L"true");
            break;
        case kTextField:
            GetStringValue(key, FieldText(settings, field), field.capacity, field.defaultText);
            break;
        }
    }
}

SaverSettings DefaultSaverSettings()
{
    SaverSettings settings;
    ResetSaverSettings(settings);
    return settings;
}

// The account's name is looked up on the running system, since it is localised.
void LookUpAccountName(const char* sidText, wchar_t* name)
{
    name[0] = 0;
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(sidText, &sid))
        return;
    wchar_t domain[kNameCapacity];
    DWORD nameLength = kNameCapacity;
    DWORD domainLength = kNameCapacity;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        name[0] = 0;
    LocalFree(sid);
}

}  // namespace

SaverSettings g_settings = DefaultSaverSettings();

void ResetSaverSettings(SaverSettings& settings)
{
    for (const SettingsField& field : kSettingsFields) {
        if (IsNumberKind(field.kind)) {
            FieldNumber(settings, field) = field.defaultNumber;
        } else if (field.kind == kTextField) {
            wchar_t* text = FieldText(settings, field);
            wcsncpy(text, field.defaultText, field.capacity - 1);  // the rest filled with NULs
            text[field.capacity - 1] = 0;
        } else {
            FieldFlag(settings, field) = field.defaultNumber != 0;
        }
    }
}

bool SettingsWordEquals(const wchar_t* value, const wchar_t* word)
{
    return SettingsKeysEqual(value, wcslen(value), word, wcslen(word));
}

bool IsServiceAccountName(const wchar_t* userName, const wchar_t* systemName,
                          const wchar_t* localServiceName)
{
    if (!userName[0])
        return false;
    return (systemName[0] && SettingsWordEquals(userName, systemName)) ||
           (localServiceName[0] && SettingsWordEquals(userName, localServiceName));
}

bool CurrentUserIsServiceAccount()
{
    wchar_t user[kNameCapacity];
    DWORD userLength = kNameCapacity;
    if (!GetUserNameW(user, &userLength))
        return false;
    wchar_t systemName[kNameCapacity];
    wchar_t localServiceName[kNameCapacity];
    LookUpAccountName("S-1-5-18", systemName);
    LookUpAccountName("S-1-5-19", localServiceName);
    return IsServiceAccountName(user, systemName, localServiceName);
}

bool LoadSettings()
{
    return LoadSettingsForAccount(CurrentUserIsServiceAccount());
}

bool LoadSettingsForAccount(bool serviceAccount)
{
    // The store is filled once per process; a second load must not hold every line twice.
    g_settingsStore.Clear();
    ReadSettingsFile();
    // Large for the stack of a window procedure; one load per process.
    static SettingsSources sources;
    ReadProfile(false, sources.normal);
    ReadProfile(true, sources.logon);
    sources.serviceAccount = serviceAccount;
    sources.separateLogonConfig =
        sources.serviceAccount && ReadFlag(L"separate_logon_config", L"false", L"true");
    ReadPolicyProfile(false, &sources.policy);
    ReadPolicyProfile(true, &sources.logonPolicy);
    g_policyFields = MergeSettings(sources, &g_settings);
    return true;
}

bool SaveSettings()
{
    for (const SettingsField& field : kSettingsFields) {
        // A field that policy sets keeps the file's value: the file keeps what
        // the user last chose there.
        if (!field.saved || (g_policyFields & field.policyBit))
            continue;
        wchar_t number[16];
        // The field may have been filled to its last unit; never read past it.
        wchar_t text[kLongestFieldText];
        const wchar_t* value = text;
        switch (field.kind) {
        case kNumberField:
        case kRangedNumberField:
            swprintf(number, 16, L"%d", static_cast<int>(FieldNumber(g_settings, field)));
            value = number;
            break;
        case kFlagUnlessFalse:
        case kFlagIfTrue:
            value = FieldFlag(g_settings, field) ? L"true" : L"false";
            break;
        case kTextField:
            memcpy(text, FieldText(g_settings, field), field.capacity * sizeof(wchar_t));
            text[field.capacity - 1] = 0;
            break;
        }
        SetValue(field.key, value);
    }
    return WriteSettingsFile();
}

#include "saver_settings.h"

#include "settings_policy.h"
#include "settings_store.h"

#include <windows.h>
#include <sddl.h>
#include <stdio.h>
#include <string.h>

SaverSettings g_settings = {Shutdown, true, 900, true, false, {0}, {0}, {0}};

namespace {

const int kWordCapacity = 256;
const int kNameCapacity = 256;

struct ProfileKeys {
    const wchar_t* shutdownType;
    const wchar_t* force;
    const wchar_t* countdown;
    const wchar_t* eblris;
    const wchar_t* performTask;
    const wchar_t* taskJob;
    const wchar_t* actionHours;
    const wchar_t* exemptPrograms;
};

const ProfileKeys kNormalKeys = {L"shutdown_type", L"force",        L"countdown",
                                 L"eblris",        L"perform_task", L"task_job",
                                 L"action_hours",  L"exempt_programs"};
const ProfileKeys kLogonKeys = {L"logon_shutdown_type", L"logon_force",        L"logon_countdown",
                                L"logon_eblris",        L"logon_perform_task", L"logon_task_job",
                                L"logon_action_hours",  L"logon_exempt_programs"};

bool ReadFlag(const wchar_t* key, const wchar_t* defaultValue, const wchar_t* word)
{
    wchar_t value[kWordCapacity];
    GetStringValue(key, value, kWordCapacity, defaultValue);
    return SettingsWordEquals(value, word);
}

// Every field is overwritten: a key missing from the profile gives its default.
void ReadProfile(const ProfileKeys& keys, SaverSettings& settings)
{
    settings.shutdown_type = GetIntValue(keys.shutdownType, Shutdown);
    settings.force = !ReadFlag(keys.force, L"true", L"false");
    settings.countdown = GetIntValue(keys.countdown, 900);
    settings.eblris = !ReadFlag(keys.eblris, L"true", L"false");
    settings.perform_task = ReadFlag(keys.performTask, L"false", L"true");
    GetStringValue(keys.taskJob, settings.task_job, kTaskJobCapacity, L"");
    GetStringValue(keys.actionHours, settings.action_hours, kActionHoursCapacity, L"");
    GetStringValue(keys.exemptPrograms, settings.exempt_programs, kExemptProgramsCapacity, L"");
}

// Set only when policy does not set the field: the file keeps what the user
// last chose there.
void SetUnlessPolicy(uint32_t field, const wchar_t* key, const wchar_t* value)
{
    if (!(g_policyFields & field))
        SetValue(key, value);
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

void ResetSaverSettings(SaverSettings& settings)
{
    settings.shutdown_type = Shutdown;
    settings.force = true;
    settings.countdown = 900;
    settings.eblris = true;
    settings.perform_task = false;
    memset(settings.task_job, 0, sizeof(settings.task_job));
    memset(settings.action_hours, 0, sizeof(settings.action_hours));
    memset(settings.exempt_programs, 0, sizeof(settings.exempt_programs));
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
    // The store is filled once per process; a second load must not hold every line twice.
    g_settingsStore.Clear();
    ReadSettingsFile();
    // Large for the stack of a window procedure; one load per process.
    static SettingsSources sources;
    ReadProfile(kNormalKeys, sources.normal);
    ReadProfile(kLogonKeys, sources.logon);
    sources.serviceAccount = CurrentUserIsServiceAccount();
    sources.separateLogonConfig =
        sources.serviceAccount && ReadFlag(L"separate_logon_config", L"false", L"true");
    ReadPolicyProfile(false, &sources.policy);
    ReadPolicyProfile(true, &sources.logonPolicy);
    g_policyFields = MergeSettings(sources, &g_settings);
    return true;
}

bool SaveSettings()
{
    wchar_t number[16];
    swprintf(number, 16, L"%d", static_cast<int>(g_settings.shutdown_type));
    SetUnlessPolicy(kPolicyShutdownType, L"shutdown_type", number);
    SetUnlessPolicy(kPolicyForce, L"force", g_settings.force ? L"true" : L"false");
    swprintf(number, 16, L"%d", static_cast<int>(g_settings.countdown));
    SetUnlessPolicy(kPolicyCountdown, L"countdown", number);
    SetUnlessPolicy(kPolicyEblris, L"eblris", g_settings.eblris ? L"true" : L"false");
    SetUnlessPolicy(kPolicyPerformTask, L"perform_task", g_settings.perform_task ? L"true" : L"false");
    // The field may have been filled to its last unit; never read past it.
    wchar_t taskJob[kTaskJobCapacity];
    memcpy(taskJob, g_settings.task_job, sizeof(taskJob));
    taskJob[kTaskJobCapacity - 1] = 0;
    SetUnlessPolicy(kPolicyTaskJob, L"task_job", taskJob);
    return WriteSettingsFile();
}

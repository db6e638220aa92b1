// Settings that an administrator sets centrally by Group Policy. They live in
// the machine's policy key, which only administrators may write, and override
// the settings file field by field.
#pragma once

#include "saver_settings.h"
#include "settings_fields.h"

#include <stdint.h>

// HKEY_LOCAL_MACHINE, below which policy tools write; the subkey holds the
// logon desktop's profile.
const wchar_t kPolicyKeyPath[] = L"SOFTWARE\\Policies\\Orvanta\\Dusklatch";
const wchar_t kPolicyLogonSubkey[] = L"Logon";

// One value as the registry holds it. Its name is its field's key in the
// settings file, in the policy key and in its Logon subkey alike. Text (REG_SZ,
// or REG_EXPAND_SZ after expansion) that does not fit its field has textFits
// false.
struct PolicyValue {
    bool present;
    DWORD type;
    DWORD size;
    DWORD number;  // the data of a 4-byte value
    wchar_t text[kLongestFieldText];
    bool textFits;
};

struct PolicyProfile {
    PolicyValue values[kSettingsFieldCount];  // in the order of kSettingsFields
};

// Everything LoadSettings weighs: the file's two profiles and the policy's.
struct SettingsSources {
    SaverSettings normal;      // the file's normal keys
    SaverSettings logon;       // the file's logon_ keys (defaults where missing)
    bool separateLogonConfig;  // the file's "separate_logon_config" is "true"
    bool serviceAccount;
    PolicyProfile policy;      // the policy key
    PolicyProfile logonPolicy; // its Logon subkey
};

// The record every caller sees: the profile that applies (the logon profile
// for a service account when the file asks for it or the Logon subkey holds a
// valid value), with each valid policy value of that profile over the file's.
// A value of the wrong type or out of range is ignored. Returns the bits of
// the fields that policy set.
uint32_t MergeSettings(const SettingsSources& sources, SaverSettings* record);

// Reads the policy key (logon false) or its Logon subkey; a missing key gives
// a profile without values.
void ReadPolicyProfile(bool logon, PolicyProfile* profile);

// The fields of g_settings that policy set at the last LoadSettings: the
// dialog shows them disabled, SaveSettings leaves their keys in the file
// alone, and a task from policy needs no check of the file's security.
extern uint32_t g_policyFields;

// Settings that an administrator sets centrally by Group Policy. They live in
// the machine's policy key, which only administrators may write, and override
// the settings file field by field.
#pragma once

#include "saver_settings.h"

// HKEY_LOCAL_MACHINE, below which policy tools write; the subkey holds the
// logon desktop's profile.
const wchar_t kPolicyKeyPath[] = L"SOFTWARE\\Policies\\Orvanta\\Dusklatch";
const wchar_t kPolicyLogonSubkey[] = L"Logon";

// The value names, the same in the key and in its Logon subkey: the settings'
// own keys, in the record's order.
const wchar_t* const kPolicyValueNames[] = {
    L"shutdown_type", L"force", L"countdown", L"eblris", L"perform_task", L"task_job",
};

// The settings fields, described once. Each row gives a field's keys in the
// settings file and its value in the policy keys, how it is read, its default,
// what policy may set it to, whether SaveSettings writes it, the dialog
// control that shows it and where it lives in SaverSettings. Loading, saving,
// the policy merge and the dialog walk this table rather than lists of their own.
#pragma once

#include "action_hours.h"
#include "field_controls.h"
#include "saver_settings.h"

#include <stddef.h>
#include <stdint.h>

// The shortest countdown: the dialog stores no less, and a shorter one from
// policy is raised to it.
const int32_t kShortestCountdown = 15;

// Room for any text field, for buffers that may hold each of them in turn.
const int kLongestFieldText = kExemptProgramsCapacity;

// A field's bit in g_policyFields (settings_policy.h).
enum : uint32_t {
    kPolicyShutdownType = 1u << 0,
    kPolicyForce = 1u << 1,
    kPolicyCountdown = 1u << 2,
    kPolicyEblris = 1u << 3,
    kPolicyPerformTask = 1u << 4,
    kPolicyTaskJob = 1u << 5,
    kPolicyActionHours = 1u << 6,
    kPolicyExemptPrograms = 1u << 7,
    kPolicyHoldForOtherUsers = 1u << 8,
    kPolicyShutdownWhenNobodySignedIn = 1u << 9,
};

// How a field is read. The file holds every value as text; policy holds a
// number or a flag as a REG_DWORD, a flag as 0 or 1, and a text as REG_SZ or
// REG_EXPAND_SZ. Flags are written back as "true" or "false".
enum SettingsFieldKind {
    kNumberField,      // a decimal number
    kRangedNumberField,  // a decimal number inside its range; any other value gives the default
    kFlagUnlessFalse,  // on unless the file's value is the word "false"
    kFlagIfTrue,       // on only if the file's value is the word "true"
    kTextField,        // the value as it stands, cut to the field
};

const int kNoControl = 0;

struct SettingsField {
    const wchar_t* key;       // the normal profile's key; also the value's name in both policy keys
    const wchar_t* logonKey;  // the logon profile's key
    uint32_t policyBit;
    SettingsFieldKind kind;
    int32_t defaultNumber;       // numbers, and flags as 1 (on) or 0
    const wchar_t* defaultText;  // texts
    // Policy numbers and flags: one above policyMost is ignored, one below
    // policyLeast is raised to it. Ranged numbers: the range of the file's
    // and the policy's values alike; one outside it is ignored.
    int32_t policyLeast;
    uint32_t policyMost;
    bool saved;   // SaveSettings writes it under its key
    int control;  // the dialog's control for it, or kNoControl
    size_t offset;  // of the field in SaverSettings
    int capacity;   // texts: the field's code units, terminator included
    // Texts: whether a policy value has the field's form; one that has not is
    // ignored like any invalid policy value. Null: any text.
    bool (*textParses)(const wchar_t* text);
};

// In the record's order, which is also the order in which SaveSettings sets
// the keys and that of a policy profile's values.
inline constexpr SettingsField kSettingsFields[] = {
    {L"shutdown_type", L"logon_shutdown_type", kPolicyShutdownType, kNumberField, Shutdown, nullptr,
     NoAction, StationLock, true, IDC_SHUTDOWN_TYPE, offsetof(SaverSettings, shutdown_type), 0, nullptr},
    {L"force", L"logon_force", kPolicyForce, kFlagUnlessFalse, 1, nullptr,
     0, 1, true, IDC_FORCE, offsetof(SaverSettings, force), 0, nullptr},
    {L"countdown", L"logon_countdown", kPolicyCountdown, kNumberField, 900, nullptr,
     kShortestCountdown, INT32_MAX, true, IDC_COUNTDOWN, offsetof(SaverSettings, countdown), 0, nullptr},
    {L"eblris", L"logon_eblris", kPolicyEblris, kFlagUnlessFalse, 1, nullptr,
     0, 1, true, IDC_EBLRIS, offsetof(SaverSettings, eblris), 0, nullptr},
    {L"perform_task", L"logon_perform_task", kPolicyPerformTask, kFlagIfTrue, 0, nullptr,
     0, 1, true, IDC_PERFORM_TASK, offsetof(SaverSettings, perform_task), 0, nullptr},
    {L"task_job", L"logon_task_job", kPolicyTaskJob, kTextField, 0, L"",
     0, 0, true, IDC_TASK_JOB, offsetof(SaverSettings, task_job), kTaskJobCapacity, nullptr},
    // The holds have no control: OK keeps their lines as it keeps every line it does not own.
    {L"action_hours", L"logon_action_hours", kPolicyActionHours, kTextField, 0, L"",
     0, 0, false, kNoControl, offsetof(SaverSettings, action_hours), kActionHoursCapacity, ActionHoursTextParses},
    {L"exempt_programs", L"logon_exempt_programs", kPolicyExemptPrograms, kTextField, 0, L"",
     0, 0, false, kNoControl, offsetof(SaverSettings, exempt_programs), kExemptProgramsCapacity, nullptr},
    {L"hold_for_other_users", L"logon_hold_for_other_users", kPolicyHoldForOtherUsers, kRangedNumberField,
     kHoldWhileOtherUserSignedIn, nullptr, kNeverHoldForOtherUsers, kHoldWhileOtherUserSignedIn, false, kNoControl,
     offsetof(SaverSettings, hold_for_other_users), 0, nullptr},
    // Read by the companion service only.
    {L"shutdown_when_nobody_signed_in", L"logon_shutdown_when_nobody_signed_in", kPolicyShutdownWhenNobodySignedIn,
     kRangedNumberField, 0, nullptr, 0, kLongestNobodySignedInMinutes, false, kNoControl,
     offsetof(SaverSettings, shutdown_when_nobody_signed_in), 0, nullptr},
};
const int kSettingsFieldCount = sizeof(kSettingsFields) / sizeof(kSettingsFields[0]);

// Mistakes in the table that no test would show until the field's day came.
constexpr bool SettingsFieldsAreConsistent()
{
    uint32_t bits = 0;
    for (const SettingsField& field : kSettingsFields) {
        // One bit each: g_policyFields must tell the fields apart.
        if (!field.policyBit || (field.policyBit & (field.policyBit - 1)) || (bits & field.policyBit))
            return false;
        bits |= field.policyBit;
        if (field.kind == kTextField && (field.capacity < 1 || field.capacity > kLongestFieldText))
            return false;
    }
    return true;
}
static_assert(SettingsFieldsAreConsistent(), "each field needs a policy bit of its own and a text room that fits");

inline bool IsNumberKind(SettingsFieldKind kind)
{
    return kind == kNumberField || kind == kRangedNumberField;
}

// Whether a ranged number's value, from the file or from policy, is taken.
inline bool InFieldRange(const SettingsField& field, int64_t number)
{
    return number >= field.policyLeast && number <= static_cast<int64_t>(field.policyMost);
}

// The field a row describes, inside a record.
inline int32_t& FieldNumber(SaverSettings& settings, const SettingsField& field)
{
    return *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}

inline bool& FieldFlag(SaverSettings& settings, const SettingsField& field)
{
    return *reinterpret_cast<bool*>(reinterpret_cast<char*>(&settings) + field.offset);
}

inline wchar_t* FieldText(SaverSettings& settings, const SettingsField& field)
{
    return reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(&settings) + field.offset);
}

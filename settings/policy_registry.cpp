// Reads the policy values from the registry for MergeSettings.
#include "settings_policy.h"

#include "scoped_handles.h"

#include <string.h>

namespace {

void ReadValue(HKEY key, const SettingsField& field, PolicyValue* value)
{
    // One unit more than is ever asked for, and zeroed, so that stored text
    // without a terminating NUL still ends.
    wchar_t data[2 * kLongestFieldText + 1];
    memset(data, 0, sizeof(data));
    // Text longer than its field is read only far enough to know that it does
    // not fit; a number needs its four bytes.
    DWORD size = field.kind == kTextField ? 2 * field.capacity * sizeof(wchar_t) : sizeof(DWORD);
    const LONG status =
        RegQueryValueExW(key, field.key, nullptr, &value->type, reinterpret_cast<BYTE*>(data), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return;
    value->present = true;
    value->size = size;
    if (status == ERROR_MORE_DATA)
        return;  // too long for its field: ignored
    if (size == sizeof(DWORD))
        memcpy(&value->number, data, sizeof(DWORD));
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        return;
    const wchar_t* text = data;
    if (value->type == REG_SZ) {
        const size_t length = wcslen(text);
        value->textFits = length < static_cast<size_t>(field.capacity);
        if (value->textFits)
            memcpy(value->text, text, (length + 1) * sizeof(wchar_t));
        return;
    }
    // The expanded text must fit the field, terminator included.
    const DWORD needed = ExpandEnvironmentStringsW(text, value->text, field.capacity);
    value->textFits = needed != 0 && needed <= static_cast<DWORD>(field.capacity);
}

}  // namespace

void ReadPolicyProfile(bool logon, PolicyProfile* profile)
{
    memset(profile, 0, sizeof(*profile));
    wchar_t path[128];
    wcscpy(path, kPolicyKeyPath);
    if (logon) {
        wcscat(path, L"\\");
        wcscat(path, kPolicyLogonSubkey);
    }
    // The policy key is shared by the 32-bit and 64-bit views of the registry.
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < kSettingsFieldCount; ++i)
        ReadValue(key.Get(), kSettingsFields[i], &profile->values[i]);
}

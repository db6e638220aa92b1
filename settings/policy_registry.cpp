// Reads the policy values from the registry for MergeSettings.
#include "settings_policy.h"

#include <string.h>

namespace {

// Text values longer than the task's field are read only far enough to know
// that they do not fit.
const DWORD kTextBytes = 2 * kTaskJobCapacity * sizeof(wchar_t);

void ReadValue(HKEY key, const wchar_t* name, PolicyValue* value)
{
    // One unit more than is asked for, and zeroed, so that stored text
    // without a terminating NUL still ends.
    wchar_t data[kTextBytes / sizeof(wchar_t) + 1];
    memset(data, 0, sizeof(data));
    DWORD size = kTextBytes;
    const LONG status =
        RegQueryValueExW(key, name, nullptr, &value->type, reinterpret_cast<BYTE*>(data), &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
        return;
    value->present = true;
    value->size = size;
    if (status == ERROR_MORE_DATA)
        return;  // too long for any field: ignored
    if (size == sizeof(DWORD))
        memcpy(&value->number, data, sizeof(DWORD));
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        return;
    const wchar_t* text = data;
    if (value->type == REG_SZ) {
        const size_t length = wcslen(text);
        value->textFits = length < kTaskJobCapacity;
        if (value->textFits)
            memcpy(value->text, text, (length + 1) * sizeof(wchar_t));
        return;
    }
    // The expanded text must fit the field, terminator included.
    const DWORD needed = ExpandEnvironmentStringsW(text, value->text, kTaskJobCapacity);
    value->textFits = needed != 0 && needed <= kTaskJobCapacity;
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < kPolicyValueCount; ++i)
        ReadValue(key, kPolicyValueNames[i], &profile->values[i]);
    RegCloseKey(key);
}

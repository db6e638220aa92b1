#include "registry_text.h"

#include "tool_output.h"

#include <wchar.h>

LONG SetStringValueWithoutNull(HKEY key, const wchar_t* name, const wchar_t* text)
{
    size_t length = wcslen(text);
    if (length > kMaxRegistryText)
        return ERROR_INVALID_PARAMETER;
    // RegSetValueExW counts a terminating null in by itself when the counted text
    // is followed by one in the caller's buffer. A copy with a non-null guard unit
    // after the text keeps the stored size to the bytes counted.
    wchar_t data[kMaxRegistryText + 2];
    wmemcpy(data, text, length);
    data[length] = L' ';
    data[length + 1] = 0;
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                          static_cast<DWORD>(length * sizeof(wchar_t)));
}

bool OpenKeyOrReport(HKEY root, const wchar_t* subkey, ScopedRegKey* key)
{
    if (RegOpenKeyExW(root, subkey, 0, KEY_ALL_ACCESS, key->Receive()) == ERROR_SUCCESS)
        return true;
    PrintText(L"Error accessing Windows Registry!\n");
    return false;
}

bool WriteValueOrReport(HKEY key, const wchar_t* name, const wchar_t* text)
{
    if (SetStringValueWithoutNull(key, name, text) == ERROR_SUCCESS)
        return true;
    PrintText(L"Error writing Registry!\n");
    return false;
}

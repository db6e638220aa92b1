#include "settings_store.h"

#include "settings_paths.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

SettingsStore g_settingsStore;

namespace {

const wchar_t kHeaderLine[] = L"[Dusklatch]";

// A settings file is a few hundred bytes; anything far larger is not ours and
// is not worth exhausting memory for.
const DWORD kMaxFileBytes = 16u * 1024u * 1024u;

}  // namespace

// ---------------------------------------------------------------------------
// The file operations on the process-wide store

void ReadSettingsFile()
{
    SettingsPaths paths;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (GetSettingsPaths(&paths)) {
        // No sharing restrictions: a dialog and a running saver may both use the file.
        file = CreateFileW(paths.file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        g_settingsStore.Append(L"", 0, kHeaderLine, wcslen(kHeaderLine));
        return;
    }

    char* bytes = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;
    for (;;) {
        if (used == capacity) {
            if (capacity >= kMaxFileBytes)
                break;
            DWORD grown = capacity ? capacity * 2 : 4096;
            char* block = static_cast<char*>(realloc(bytes, grown));
            if (!block)
                break;
            bytes = block;
            capacity = grown;
        }
        DWORD got = 0;
        // A read error ends the reading; what was read until then stays.
        if (!ReadFile(file, bytes + used, capacity - used, &got, nullptr) || got == 0)
            break;
        used += got;
    }
    CloseHandle(file);

    size_t units = used / sizeof(wchar_t);
    if (units) {
        wchar_t* text = static_cast<wchar_t*>(malloc(units * sizeof(wchar_t)));
        if (text) {
            memcpy(text, bytes, units * sizeof(wchar_t));
            ParseSettingsText(g_settingsStore, text, units);
            free(text);
        }
    }
    free(bytes);
}

int32_t GetIntValue(const wchar_t* key, int32_t defaultValue)
{
    const SettingsEntry* entry = g_settingsStore.Find(key);
    if (!entry)
        return defaultValue;
    return ParseSettingsInt(entry->Value(), entry->ValueLength());
}

bool GetNumberValue(const wchar_t* key, int32_t* number)
{
    const SettingsEntry* entry = g_settingsStore.Find(key);
    return entry && ParseSettingsNumber(entry->Value(), entry->ValueLength(), number);
}

bool GetStringValue(const wchar_t* key, wchar_t* destination, size_t capacity,
                    const wchar_t* defaultValue)
{
    if (capacity == 0)
        return true;
    const SettingsEntry* entry = g_settingsStore.Find(key);
    const wchar_t* source = entry ? entry->Value() : (defaultValue ? defaultValue : L"");
    // Copy like wcsncpy, then make sure the result is terminated.
    size_t i = 0;
    for (; i < capacity && source[i]; ++i)
        destination[i] = source[i];
    for (; i < capacity; ++i)
        destination[i] = 0;
    destination[capacity - 1] = 0;
    return true;
}

bool SetValue(const wchar_t* key, const wchar_t* value)
{
    if (!value)
        value = L"";
    SettingsEntry* entry = g_settingsStore.Find(key);
    if (entry) {
        entry->SetValue(value, wcslen(value));
        return true;
    }
    g_settingsStore.Append(key, wcslen(key), value, wcslen(value));
    return true;
}

// The new content goes to a temporary file beside the old one, which is
// replaced only once the new file is complete: a full disk or a failed write
// must never leave a truncated settings file behind.
// On failure the last error is that of the step that failed: the dialog shows
// it, so the clean-up calls after the failure must not replace it.
bool WriteSettingsFile()
{
    SettingsPaths paths;
    if (!GetSettingsPaths(&paths)) {
        SetLastError(ERROR_PATH_NOT_FOUND);  // no all-users folder, or a path beyond MAX_PATH
        return false;
    }
    // Existing folders are the usual case; any other failure shows when the file is created.
    CreateDirectoryW(paths.vendorFolder, nullptr);
    CreateDirectoryW(paths.productFolder, nullptr);

    size_t units = FormatSettingsText(g_settingsStore, nullptr, 0);
    wchar_t* text = static_cast<wchar_t*>(malloc((units + 1) * sizeof(wchar_t)));
    if (!text) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    FormatSettingsText(g_settingsStore, text, units);

    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(paths.productFolder, L"dlk", 0, temporary)) {
        DWORD error = GetLastError();
        free(text);
        SetLastError(error);
        return false;
    }
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        DeleteFileW(temporary);
        free(text);
        SetLastError(error);
        return false;
    }
    bool written = true;
    DWORD error = ERROR_SUCCESS;
    const char* bytes = reinterpret_cast<const char*>(text);
    size_t remaining = units * sizeof(wchar_t);
    while (written && remaining) {
        DWORD chunk = remaining > 0x100000 ? 0x100000 : static_cast<DWORD>(remaining);
        DWORD put = 0;
        if (!WriteFile(file, bytes, chunk, &put, nullptr)) {
            written = false;
            error = GetLastError();
        } else if (put != chunk) {
            written = false;
            error = ERROR_WRITE_FAULT;  // a short write sets no error of its own
        }
        bytes += put;
        remaining -= put;
    }
    if (!FlushFileBuffers(file) && written) {
        written = false;
        error = GetLastError();
    }
    if (!CloseHandle(file) && written) {
        written = false;
        error = GetLastError();
    }
    free(text);

    if (written && !MoveFileExW(temporary, paths.file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        error = GetLastError();
    }
    if (!written) {
        DeleteFileW(temporary);
        SetLastError(error);
        return false;
    }
    return true;
}

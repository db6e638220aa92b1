#include "settings_store.h"

#include <windows.h>
#include <shlobj.h>
#include <limits.h>
#include <new>
#include <stdlib.h>
#include <string.h>

SettingsStore g_settingsStore;

namespace {

const wchar_t kVendorFolder[] = L"\\Orvanta";
const wchar_t kProductFolder[] = L"\\Dusklatch";
const wchar_t kSettingsFileName[] = L"\\Dusklatch.ini";
const wchar_t kHeaderLine[] = L"[Dusklatch]";

// A settings file is a few hundred bytes; anything far larger is not ours and
// is not worth exhausting memory for.
const DWORD kMaxFileBytes = 16u * 1024u * 1024u;

wchar_t* CopyText(const wchar_t* text, size_t length)
{
    wchar_t* copy = static_cast<wchar_t*>(malloc((length + 1) * sizeof(wchar_t)));
    if (!copy)
        return nullptr;
    if (length)
        memcpy(copy, text, length * sizeof(wchar_t));
    copy[length] = 0;
    return copy;
}

const wchar_t* FindUnit(const wchar_t* text, wchar_t unit, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == unit)
            return text + i;
    }
    return nullptr;
}

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool IsSpaceUnit(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool AppendPath(wchar_t* path, size_t capacity, const wchar_t* tail)
{
    size_t used = wcslen(path);
    size_t extra = wcslen(tail);
    if (used + extra + 1 > capacity)
        return false;
    memcpy(path + used, tail, (extra + 1) * sizeof(wchar_t));
    return true;
}

bool CopyPath(wchar_t* destination, const wchar_t* source)
{
    destination[0] = 0;
    return AppendPath(destination, MAX_PATH, source);
}

// One line as the reader sees it: text up to and including LF, or to the end.
void AppendLine(SettingsStore& store, const wchar_t* line, size_t length)
{
    if (line[0] == L'\r' || line[0] == L'\n' || line[0] == 0) {
        store.Append(L"", 0, L"", 0);
        return;
    }
    // A file edited with LF-only line ends would otherwise carry the LF in
    // its values, so that "false\n" would no longer read as false.
    size_t end = length;
    if (end && line[end - 1] == L'\n')
        --end;

    const wchar_t* equals = FindUnit(line, L'=', end);
    if (equals) {
        size_t keyLength = static_cast<size_t>(equals - line);
        const wchar_t* value = equals + 1;
        size_t valueLength = end - keyLength - 1;
        const wchar_t* cr = FindUnit(value, L'\r', valueLength);
        if (cr)
            valueLength = static_cast<size_t>(cr - value);
        store.Append(line, keyLength, value, valueLength);
        return;
    }
    const wchar_t* cr = FindUnit(line, L'\r', end);
    store.Append(L"", 0, line, cr ? static_cast<size_t>(cr - line) : end);
}

}  // namespace

// ---------------------------------------------------------------------------
// SettingsEntry

SettingsEntry::SettingsEntry() : key_(nullptr), keyLength_(0), value_(nullptr), valueLength_(0) {}

SettingsEntry::~SettingsEntry()
{
    free(key_);
    free(value_);
}

bool SettingsEntry::SetKey(const wchar_t* text, size_t length)
{
    wchar_t* copy = CopyText(text, length);
    if (!copy)
        return false;
    free(key_);
    key_ = copy;
    keyLength_ = length;
    return true;
}

bool SettingsEntry::SetValue(const wchar_t* text, size_t length)
{
    wchar_t* copy = CopyText(text, length);
    if (!copy)
        return false;
    free(value_);
    value_ = copy;
    valueLength_ = length;
    return true;
}

bool SettingsEntry::KeyMatches(const wchar_t* otherKey) const
{
    return SettingsKeysEqual(Key(), keyLength_, otherKey, wcslen(otherKey));
}

// ---------------------------------------------------------------------------
// SettingsStore

SettingsStore::SettingsStore() : entries_(nullptr), count_(0), capacity_(0) {}

SettingsStore::~SettingsStore()
{
    Clear();
}

void SettingsStore::Clear()
{
    for (size_t i = 0; i < count_; ++i)
        delete entries_[i];
    free(entries_);
    entries_ = nullptr;
    count_ = 0;
    capacity_ = 0;
}

SettingsEntry* SettingsStore::Append(const wchar_t* key, size_t keyLength,
                                     const wchar_t* value, size_t valueLength)
{
    if (count_ == capacity_) {
        size_t grown = capacity_ ? capacity_ * 2 : 16;
        void* block = realloc(entries_, grown * sizeof(SettingsEntry*));
        if (!block)
            return nullptr;
        entries_ = static_cast<SettingsEntry**>(block);
        capacity_ = grown;
    }
    SettingsEntry* entry = new (std::nothrow) SettingsEntry;
    if (!entry)
        return nullptr;
    if (!entry->SetKey(key, keyLength) || !entry->SetValue(value, valueLength)) {
        delete entry;
        return nullptr;
    }
    entries_[count_++] = entry;
    return entry;
}

SettingsEntry* SettingsStore::Find(const wchar_t* key) const
{
    for (size_t i = 0; i < count_; ++i) {
        if (entries_[i]->KeyMatches(key))
            return entries_[i];
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Pure helpers

bool SettingsKeysEqual(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    if (aLength != bLength)
        return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

int32_t ParseSettingsInt(const wchar_t* text, size_t length)
{
    size_t i = 0;
    while (i < length && IsSpaceUnit(text[i]))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // Accumulate as a negative number so that INT32_MIN is reachable, and
    // saturate instead of overflowing on values beyond the 32-bit range.
    int64_t result = 0;
    for (; i < length && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (result > -static_cast<int64_t>(INT32_MAX) - 2)
            result = result * 10 - (text[i] - L'0');
    }
    if (!negative)
        result = -result;
    if (result > INT32_MAX)
        return INT32_MAX;
    if (result < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(result);
}

void ParseSettingsText(SettingsStore& store, const wchar_t* text, size_t length)
{
    size_t start = 0;
    while (start < length) {
        const wchar_t* lf = FindUnit(text + start, L'\n', length - start);
        size_t end = lf ? static_cast<size_t>(lf - text) + 1 : length;
        AppendLine(store, text + start, end - start);
        start = end;
    }
}

size_t FormatSettingsText(const SettingsStore& store, wchar_t* buffer, size_t capacity)
{
    size_t needed = 0;
    auto put = [&](const wchar_t* text, size_t length) {
        if (buffer && needed + length <= capacity)
            memcpy(buffer + needed, text, length * sizeof(wchar_t));
        needed += length;
    };
    for (size_t i = 0; i < store.Count(); ++i) {
        const SettingsEntry& entry = store.At(i);
        if (entry.KeyLength()) {
            put(entry.Key(), entry.KeyLength());
            put(L"=", 1);
        }
        if (entry.ValueLength())
            put(entry.Value(), entry.ValueLength());
        put(L"\r\n", 2);
    }
    return needed;
}

// ---------------------------------------------------------------------------
// File location

namespace {

// The all-users application-data folder followed by "\Orvanta".
bool GetVendorFolderPath(wchar_t* folder, size_t capacity)
{
    wchar_t appData[MAX_PATH] = {};
    if (capacity == 0 || !SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE))
        return false;
    folder[0] = 0;
    return AppendPath(folder, capacity, appData) && AppendPath(folder, capacity, kVendorFolder);
}

}  // namespace

bool GetSettingsFolderPath(wchar_t* folder, size_t capacity)
{
    return GetVendorFolderPath(folder, capacity) && AppendPath(folder, capacity, kProductFolder);
}

bool GetSettingsFilePath(wchar_t* path, size_t capacity)
{
    return GetSettingsFolderPath(path, capacity) && AppendPath(path, capacity, kSettingsFileName);
}

// ---------------------------------------------------------------------------
// The file operations on the process-wide store

void ReadSettingsFile()
{
    wchar_t path[MAX_PATH];
    HANDLE file = INVALID_HANDLE_VALUE;
    if (GetSettingsFilePath(path, MAX_PATH)) {
        // No sharing restrictions: a dialog and a running saver may both use the file.
        file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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
    wchar_t vendor[MAX_PATH];
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (!GetVendorFolderPath(vendor, MAX_PATH) || !CopyPath(folder, vendor) ||
        !AppendPath(folder, MAX_PATH, kProductFolder) || !CopyPath(path, folder) ||
        !AppendPath(path, MAX_PATH, kSettingsFileName)) {
        SetLastError(ERROR_PATH_NOT_FOUND);  // no all-users folder, or a path beyond MAX_PATH
        return false;
    }
    // Existing folders are the usual case; any other failure shows when the file is created.
    CreateDirectoryW(vendor, nullptr);
    CreateDirectoryW(folder, nullptr);

    size_t units = FormatSettingsText(g_settingsStore, nullptr, 0);
    wchar_t* text = static_cast<wchar_t*>(malloc((units + 1) * sizeof(wchar_t)));
    if (!text) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    FormatSettingsText(g_settingsStore, text, units);

    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder, L"dlk", 0, temporary)) {
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

    if (written && !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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

// The settings file's text: the store of its lines, and parsing and formatting
// over buffers. Nothing here touches Windows, so the same code builds on the
// host for fuzzing; there it is built with 16-bit wchar_t, and the C library's
// wide-string functions (which assume the host's 32-bit wchar_t) are not used.
#include "settings_store.h"

#include <limits.h>
#include <new>
#include <stdlib.h>
#include <string.h>

namespace {

wchar_t* DuplicateText(const wchar_t* text, size_t length)
{
    wchar_t* copy = static_cast<wchar_t*>(malloc((length + 1) * sizeof(wchar_t)));
    if (!copy)
        return nullptr;
    if (length)
        memcpy(copy, text, length * sizeof(wchar_t));
    copy[length] = 0;
    return copy;
}

// Replaces *held with a copy of text; on a failed allocation it stays as it was.
bool ReplaceText(wchar_t** held, size_t* heldLength, const wchar_t* text, size_t length)
{
    wchar_t* copy = DuplicateText(text, length);
    if (!copy)
        return false;
    free(*held);
    *held = copy;
    *heldLength = length;
    return true;
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

size_t TextLength(const wchar_t* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
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

    // A line that starts with "=" names no key and is kept whole like any
    // other key-less line; split at that "=", it would be written back without
    // it and lose one more unit on every save.
    const wchar_t* equals = FindUnit(line, L'=', end);
    if (equals && equals != line) {
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
    return ReplaceText(&key_, &keyLength_, text, length);
}

bool SettingsEntry::SetValue(const wchar_t* text, size_t length)
{
    return ReplaceText(&value_, &valueLength_, text, length);
}

bool SettingsEntry::KeyMatches(const wchar_t* otherKey) const
{
    return SettingsKeysEqual(Key(), keyLength_, otherKey, TextLength(otherKey));
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

bool ParseSettingsNumber(const wchar_t* text, size_t length, int32_t* number)
{
    size_t i = 0;
    while (i < length && IsSpaceUnit(text[i]))
        ++i;
    bool negative = false;
    if (i < length && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const size_t firstDigit = i;
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
        result = INT32_MAX;
    if (result < INT32_MIN)
        result = INT32_MIN;
    *number = static_cast<int32_t>(result);
    return i > firstDigit;
}

int32_t ParseSettingsInt(const wchar_t* text, size_t length)
{
    int32_t number = 0;
    ParseSettingsNumber(text, length, &number);
    return number;
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

// The settings file as an ordered list of lines, kept whole so that writing it
// back changes only the values that were set.
#pragma once

#include <stddef.h>
#include <stdint.h>

// One line of the settings file. A line without "=" has an empty key and the
// line's text as its value; a blank line has both empty.
class SettingsEntry {
public:
    SettingsEntry();
    ~SettingsEntry();
    SettingsEntry(const SettingsEntry&) = delete;
    SettingsEntry& operator=(const SettingsEntry&) = delete;

    bool SetKey(const wchar_t* text, size_t length);
    bool SetValue(const wchar_t* text, size_t length);
    bool KeyMatches(const wchar_t* otherKey) const;

    const wchar_t* Key() const { return key_ ? key_ : L""; }
    size_t KeyLength() const { return keyLength_; }
    const wchar_t* Value() const { return value_ ? value_ : L""; }
    size_t ValueLength() const { return valueLength_; }

private:
    wchar_t* key_;
    size_t keyLength_;
    wchar_t* value_;
    size_t valueLength_;
};

// Entries are only appended while the process runs; none is removed or moved.
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    SettingsEntry* Append(const wchar_t* key, size_t keyLength,
                          const wchar_t* value, size_t valueLength);
    SettingsEntry* Find(const wchar_t* key) const;
    size_t Count() const { return count_; }
    const SettingsEntry& At(size_t index) const { return *entries_[index]; }
    void Clear();

private:
    SettingsEntry** entries_;
    size_t count_;
    size_t capacity_;
};

extern SettingsStore g_settingsStore;

// Pure helpers over buffers, also used by the tests.
bool SettingsKeysEqual(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);
int32_t ParseSettingsInt(const wchar_t* text, size_t length);
// The same reading, false when no digit follows the blanks and the sign
// (*number is then 0): text that is no number at all.
bool ParseSettingsNumber(const wchar_t* text, size_t length, int32_t* number);
void ParseSettingsText(SettingsStore& store, const wchar_t* text, size_t length);
// Serialises the store; returns the number of code units needed (the buffer may be null).
size_t FormatSettingsText(const SettingsStore& store, wchar_t* buffer, size_t capacity);

void ReadSettingsFile();
int32_t GetIntValue(const wchar_t* key, int32_t defaultValue);
// False when no entry has the key or its value is no number.
bool GetNumberValue(const wchar_t* key, int32_t* number);
bool GetStringValue(const wchar_t* key, wchar_t* destination, size_t capacity,
                    const wchar_t* defaultValue);
bool SetValue(const wchar_t* key, const wchar_t* value);
// False when the file could not be replaced; GetLastError() then tells why.
bool WriteSettingsFile();

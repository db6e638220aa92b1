// libFuzzer target for the settings file's text: any bytes, read as UTF-16LE
// code units the way ReadSettingsFile reads them (an odd last byte is dropped).
// Built for the host with 16-bit wchar_t, so the code sees the same units as
// on Windows. Besides the sanitizers' findings (a read past the text is one),
// a broken promise aborts: a file once written reads and writes again
// unchanged, line for line.
#include "settings_store.h"

#include <stdlib.h>
#include <string.h>

static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar, as wchar_t is on Windows");

namespace {

void Require(bool condition)
{
    if (!condition)
        abort();
}

// Exactly sized heap copies, so that the address sanitizer catches a read or
// write one unit past the length.
wchar_t* AllocateUnits(size_t count)
{
    wchar_t* units = static_cast<wchar_t*>(malloc(count ? count * sizeof(wchar_t) : 1));
    Require(units != nullptr);
    return units;
}

wchar_t* Format(const SettingsStore& store, size_t* length)
{
    *length = FormatSettingsText(store, nullptr, 0);
    wchar_t* text = AllocateUnits(*length);
    Require(FormatSettingsText(store, text, *length) == *length);
    // A short buffer gets what fits and still reports the full length.
    if (*length > 1) {
        wchar_t* shortText = AllocateUnits(*length / 2);
        Require(FormatSettingsText(store, shortText, *length / 2) == *length);
        free(shortText);
    }
    return text;
}

bool HasNul(const wchar_t* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == 0)
            return true;
    }
    return false;
}

// The length of the line at text, up to and including its LF.
size_t LineLength(const wchar_t* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\n')
            return i + 1;
    }
    return length;
}

size_t FormatDecimal(int32_t number, wchar_t* text)
{
    wchar_t reversed[16];
    size_t count = 0;
    int64_t rest = number;
    bool negative = rest < 0;
    if (negative)
        rest = -rest;
    do {
        reversed[count++] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest);
    size_t length = 0;
    if (negative)
        text[length++] = L'-';
    while (count)
        text[length++] = reversed[--count];
    return length;
}

// Any number read, written back as decimal, reads as the same number; values
// beyond 32 bits have been saturated to the ends of the range.
void CheckNumber(const wchar_t* text, size_t length)
{
    int32_t number = ParseSettingsInt(text, length);
    wchar_t decimal[16];
    size_t decimalLength = FormatDecimal(number, decimal);
    Require(ParseSettingsInt(decimal, decimalLength) == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t units = size / 2;
    wchar_t* input = AllocateUnits(units);
    for (size_t i = 0; i < units; ++i)
        input[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));

    CheckNumber(input, units);
    // Keys compare the same in either order, and the halves of the input as
    // two keys exercise every length up to the whole.
    size_t half = units / 2;
    Require(SettingsKeysEqual(input, half, input + half, units - half) ==
            SettingsKeysEqual(input + half, units - half, input, half));
    Require(SettingsKeysEqual(input, units, input, units));

    SettingsStore first;
    ParseSettingsText(first, input, units);
    free(input);
    for (size_t i = 0; i < first.Count(); ++i)
        CheckNumber(first.At(i).Value(), first.At(i).ValueLength());
    // Looking up the last key walks the whole store (once, not per key: the
    // store may hold thousands of lines). Find stops at the first NUL, as a
    // key passed by the program would.
    if (first.Count()) {
        const SettingsEntry& last = first.At(first.Count() - 1);
        if (!HasNul(last.Key(), last.KeyLength())) {
            const SettingsEntry* found = first.Find(last.Key());
            Require(found != nullptr &&
                    SettingsKeysEqual(found->Key(), found->KeyLength(), last.Key(), last.KeyLength()));
        }
    }

    size_t onceLength = 0;
    wchar_t* once = Format(first, &onceLength);
    SettingsStore second;
    ParseSettingsText(second, once, onceLength);
    size_t twiceLength = 0;
    wchar_t* twice = Format(second, &twiceLength);

    // Every entry is written as one line ending in CR LF, read back as one,
    // and written again unchanged.
    Require(second.Count() == first.Count());
    size_t onceAt = 0;
    size_t twiceAt = 0;
    for (size_t i = 0; i < first.Count(); ++i) {
        size_t onceLine = LineLength(once + onceAt, onceLength - onceAt);
        size_t twiceLine = LineLength(twice + twiceAt, twiceLength - twiceAt);
        Require(onceLine >= 2 && once[onceAt + onceLine - 2] == L'\r' &&
                once[onceAt + onceLine - 1] == L'\n');
        Require(twiceLine == onceLine &&
                memcmp(once + onceAt, twice + twiceAt, onceLine * sizeof(wchar_t)) == 0);
        onceAt += onceLine;
        twiceAt += twiceLine;
    }
    Require(onceAt == onceLength && twiceAt == twiceLength);
    free(once);
    free(twice);
    return 0;
}

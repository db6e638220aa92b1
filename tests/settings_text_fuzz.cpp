// libFuzzer target for the settings file's text: any bytes, read as UTF-16LE
// code units the way ReadSettingsFile reads them (an odd last byte is dropped).
// Built for the host with 16-bit wchar_t, so the code sees the same units as
// on Windows. The sanitizers catch a read past the text (every copy is sized
// exactly); a file once written must read and write again unchanged.
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

wchar_t* Format(const SettingsStore& store, size_t* length)
{
    *length = FormatSettingsText(store, nullptr, 0);
    wchar_t* text = static_cast<wchar_t*>(malloc(*length ? *length * sizeof(wchar_t) : 1));
    Require(text && FormatSettingsText(store, text, *length) == *length);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const size_t units = size / 2;
    wchar_t* input = static_cast<wchar_t*>(malloc(units ? units * sizeof(wchar_t) : 1));
    Require(input != nullptr);
    for (size_t i = 0; i < units; ++i)
        input[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    SettingsStore first;
    ParseSettingsText(first, input, units);
    free(input);

    size_t onceLength = 0;
    wchar_t* once = Format(first, &onceLength);
    SettingsStore second;
    ParseSettingsText(second, once, onceLength);
    size_t twiceLength = 0;
    wchar_t* twice = Format(second, &twiceLength);
    Require(second.Count() == first.Count() && twiceLength == onceLength &&
            memcmp(once, twice, onceLength * sizeof(wchar_t)) == 0);
    free(once);
    free(twice);
    return 0;
}

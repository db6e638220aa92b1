#include "tool_arguments.h"

#include "tool_output.h"

#include <limits.h>

namespace {

bool IsSpace(wchar_t unit)
{
    return unit == L' ' || (unit >= L'\t' && unit <= L'\r');
}

wchar_t LowerAscii(wchar_t unit)
{
    return unit >= L'A' && unit <= L'Z' ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

}  // namespace

long ReadIntegerArgument(const wchar_t* text)
{
    while (IsSpace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-')
        negative = *text++ == L'-';
    // The magnitude may reach LONG_MAX + 1 for the most negative value.
    const unsigned long limit = negative ? 0ul - static_cast<unsigned long>(LONG_MIN)
                                         : static_cast<unsigned long>(LONG_MAX);
    unsigned long magnitude = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        unsigned long digit = static_cast<unsigned long>(*text - L'0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (negative)
        return magnitude == limit ? LONG_MIN : -static_cast<long>(magnitude);
    return static_cast<long>(magnitude);
}

bool EqualsIgnoringAsciiCase(const wchar_t* text, const wchar_t* expected)
{
    for (; *text && *expected; ++text, ++expected) {
        if (LowerAscii(*text) != LowerAscii(*expected))
            return false;
    }
    return *text == *expected;
}

void CutArgument(const wchar_t* text, wchar_t* buffer, size_t capacity)
{
    size_t length = 0;
    while (text[length] && length + 1 < capacity) {
        buffer[length] = text[length];
        ++length;
    }
    buffer[length] = 0;
}

const wchar_t* ProgramName(int argc, wchar_t** argv)
{
    return argc > 0 && argv[0] ? argv[0] : L"";
}

void PrintUsage(int argc, wchar_t** argv, const wchar_t* rest)
{
    PrintText(L"usage: ");
    PrintText(ProgramName(argc, argv));
    PrintText(rest);
}

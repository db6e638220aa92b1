#include "tool_output.h"

#include <windows.h>
#include <wchar.h>

namespace {

bool IsHighSurrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Converts a run without line ends, shortening it until its bytes fit.
size_t EncodeRun(const wchar_t* run, size_t length, char* out, size_t capacity, size_t* used)
{
    *used = 0;
    const size_t whole = length;
    while (length > 0) {
        // A shortened piece never ends between the two halves of a surrogate pair.
        if (length < whole && IsHighSurrogate(run[length - 1]) && --length == 0)
            break;
        int bytes = WideCharToMultiByte(CP_ACP, 0, run, static_cast<int>(length), nullptr, 0,
                                        nullptr, nullptr);
        if (bytes > 0 && static_cast<size_t>(bytes) <= capacity) {
            WideCharToMultiByte(CP_ACP, 0, run, static_cast<int>(length), out, bytes, nullptr,
                                nullptr);
            *used = length;
            return static_cast<size_t>(bytes);
        }
        length /= 2;
    }
    return 0;
}

}  // namespace

size_t EncodeConsoleBytes(const wchar_t* text, size_t length, char* out, size_t capacity,
                          size_t* consumed)
{
    size_t position = 0;
    size_t stored = 0;
    while (position < length) {
        if (text[position] == L'\n') {
            // The C runtime's text mode turns each line end into CR LF.
            if (capacity - stored < 2)
                break;
            out[stored++] = '\r';
            out[stored++] = '\n';
            ++position;
            continue;
        }
        size_t runEnd = position;
        while (runEnd < length && text[runEnd] != L'\n')
            ++runEnd;
        size_t used = 0;
        stored += EncodeRun(text + position, runEnd - position, out + stored, capacity - stored, &used);
        if (used == 0)
            break;
        position += used;
    }
    *consumed = position;
    return stored;
}

size_t FormatSignedDecimal(long value, wchar_t* buffer)
{
    // Work in unsigned arithmetic so that the most negative value has a magnitude.
    unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value)
                                        : static_cast<unsigned long>(value);
    wchar_t reversed[12];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    size_t length = 0;
    if (value < 0)
        buffer[length++] = L'-';
    while (count)
        buffer[length++] = reversed[--count];
    buffer[length] = 0;
    return length;
}

bool FormatNumberLine(const wchar_t* prefix, long value, const wchar_t* suffix, wchar_t* buffer,
                      size_t capacity)
{
    wchar_t digits[12];
    size_t digitCount = FormatSignedDecimal(value, digits);
    size_t prefixLength = wcslen(prefix);
    size_t suffixLength = wcslen(suffix);
    if (prefixLength + digitCount + suffixLength >= capacity)
        return false;
    wmemcpy(buffer, prefix, prefixLength);
    wmemcpy(buffer + prefixLength, digits, digitCount);
    wmemcpy(buffer + prefixLength + digitCount, suffix, suffixLength);
    buffer[prefixLength + digitCount + suffixLength] = 0;
    return true;
}

void PrintText(const wchar_t* text)
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE)
        return;
    size_t length = wcslen(text);
    while (length > 0) {
        char bytes[1024];
        size_t consumed = 0;
        size_t count = EncodeConsoleBytes(text, length, bytes, sizeof(bytes), &consumed);
        if (consumed == 0)
            return;
        DWORD written = 0;
        // A closed or broken output is not worth failing a tool for: its exit status still tells.
        if (!WriteFile(output, bytes, static_cast<DWORD>(count), &written, nullptr))
            return;
        text += consumed;
        length -= consumed;
    }
}

void PrintNumberLine(const wchar_t* prefix, long value, const wchar_t* suffix)
{
    wchar_t line[256];
    if (FormatNumberLine(prefix, value, suffix, line, 256)) {
        PrintText(line);
        return;
    }
    wchar_t digits[12];
    FormatSignedDecimal(value, digits);
    PrintText(prefix);
    PrintText(digits);
    PrintText(suffix);
}

void PrintCallFailure(const wchar_t* call, unsigned long error)
{
    PrintText(call);
    PrintNumberLine(L" failed (", static_cast<long>(error), L")\n");
}

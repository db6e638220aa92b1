// Reading the tools' command-line arguments.
#pragma once

#include <stddef.h>

// The standard text-to-integer reading: optional leading white space and sign,
// then decimal digits up to the first non-digit; text without digits reads 0.
// Numbers beyond the 32-bit range read as its nearest end instead of wrapping.
long ReadIntegerArgument(const wchar_t* text);

// Equal when they differ at most in the case of ASCII letters.
bool EqualsIgnoringAsciiCase(const wchar_t* text, const wchar_t* expected);

// Copies the first capacity - 1 units of text at most: a command word is cut,
// not refused.
void CutArgument(const wchar_t* text, wchar_t* buffer, size_t capacity);

// The program's name as typed, for the usage lines.
const wchar_t* ProgramName(int argc, wchar_t** argv);

// Prints "usage: <program name><rest>" with no line end after it.
void PrintUsage(int argc, wchar_t** argv, const wchar_t* rest);

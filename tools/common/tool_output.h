// Lines on standard output, written as the bytes an ordinary text-mode console
// program writes: text in the ANSI code page, and CR LF for every line end.
#pragma once

#include <stddef.h>

// Encodes text[0..length) into out, stopping early rather than overflowing out;
// a line end is never split from its CR and a surrogate pair never cut in two.
// Returns the bytes stored; *consumed receives the units of text used.
size_t EncodeConsoleBytes(const wchar_t* text, size_t length, char* out, size_t capacity,
                          size_t* consumed);

// Formats value as signed decimal digits into buffer (12 units suffice).
size_t FormatSignedDecimal(long value, wchar_t* buffer);

// prefix, value in signed decimal, suffix; false when it would not fit.
bool FormatNumberLine(const wchar_t* prefix, long value, const wchar_t* suffix, wchar_t* buffer,
                      size_t capacity);

// Writes text to standard output. Without a standard output (the windowless
// build started outside a console and not redirected) the text is dropped.
void PrintText(const wchar_t* text);
void PrintNumberLine(const wchar_t* prefix, long value, const wchar_t* suffix);

// "<call> failed (<error>)" and a line end: a failed platform call and its error number.
void PrintCallFailure(const wchar_t* call, unsigned long error);

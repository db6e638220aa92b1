// The copy step that installsaver and deployconfig share: a file of the
// installation package to the place where the system expects it.
#pragma once

#include <stddef.h>

// What both tools return when the file is not where it belongs.
const int kCopyFailedStatus = -1;

// Package folder followed by fileName. On failure prints why and returns false.
bool BuildPackageSourcePath(const wchar_t* fileName, wchar_t* path, size_t capacity);

// Prints the refusal of a target path that would not fit its buffer.
void PrintTargetTooLong();

// The copy-error line with both full paths.
void PrintCopyError(const wchar_t* source, const wchar_t* target);

// Copies source over target, replacing a file already there, and prints the
// outcome: successLine, or the copy-error line with both full paths.
// Returns the exit status: 0, or kCopyFailedStatus.
int CopyAndReport(const wchar_t* source, const wchar_t* target, const wchar_t* successLine);

// Text values in the registry as the tools store them.
#pragma once

#include "scoped_handles.h"

#include <windows.h>

// Exit statuses of the tools that write the registry (setsaver, setautorun).
const int kStatusUsage = 1;
const int kStatusRegistryAccess = 2;
const int kStatusRegistryWrite = 3;
const int kStatusTooLong = 4;

// Longest text SetStringValueWithoutNull takes: a MAX_PATH buffer's worth.
const size_t kMaxRegistryText = MAX_PATH - 1;

// Stores text as REG_SZ whose size is exactly twice its length in bytes, with
// no terminating null. Returns the registry's error code.
LONG SetStringValueWithoutNull(HKEY key, const wchar_t* name, const wchar_t* text);

// Opens root\subkey with full access, no registry-view flag; on failure prints
// "Error accessing Windows Registry!".
bool OpenKeyOrReport(HKEY root, const wchar_t* subkey, ScopedRegKey* key);
// SetStringValueWithoutNull; on failure prints "Error writing Registry!".
bool WriteValueOrReport(HKEY key, const wchar_t* name, const wchar_t* text);

// Where the settings live: one file per computer in the all-users
// application-data folder, shared by every user and the logon desktop. The
// screen saver reads and writes it; deployconfig puts a prepared copy there.
#pragma once

#include <stddef.h>

// Below the all-users folder: the vendor's folder, the product's folder in it
// and the file in that.
inline constexpr wchar_t kVendorFolderName[] = L"Orvanta";
inline constexpr wchar_t kProductFolderName[] = L"Dusklatch";
inline constexpr wchar_t kSettingsFileName[] = L"Dusklatch.ini";

// Each is the all-users folder followed by "\Orvanta", then "\Dusklatch", then
// "\Dusklatch.ini"; false when the all-users folder is unknown or the path
// would not fit in capacity units (MAX_PATH for the callers).
bool GetVendorFolderPath(wchar_t* folder, size_t capacity);
bool GetSettingsFolderPath(wchar_t* folder, size_t capacity);
bool GetSettingsFilePath(wchar_t* path, size_t capacity);

// Appends "\" and name; false, with path unchanged, when it would not fit.
bool AppendPathPart(wchar_t* path, size_t capacity, const wchar_t* name);

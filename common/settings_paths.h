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

// The all-users folder followed by "\Orvanta", then "\Dusklatch", then
// "\Dusklatch.ini", each in MAX_PATH units.
struct SettingsPaths {
    wchar_t vendorFolder[260];
    wchar_t productFolder[260];
    wchar_t file[260];
};

// The three paths below allUsersFolder; false when the longest (the file's)
// would not fit, so that all three fit when it returns true.
bool SettingsPathsBelow(const wchar_t* allUsersFolder, SettingsPaths* paths);

// The three paths below the all-users folder, which is not created: the
// reader must make no folders, and the writers make the two they need. False
// when the folder is unknown or the paths would not fit.
bool GetSettingsPaths(SettingsPaths* paths);

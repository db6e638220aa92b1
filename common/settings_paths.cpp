#include "settings_paths.h"

#include <windows.h>
#include <shlobj.h>
#include <string.h>

static_assert(sizeof(SettingsPaths::file) / sizeof(wchar_t) == MAX_PATH, "paths in MAX_PATH units");

namespace {

// Copies base, then "\" and name; false when it would not fit in MAX_PATH units.
bool JoinPath(const wchar_t* base, const wchar_t* name, wchar_t* path)
{
    const size_t used = wcslen(base);
    const size_t extra = wcslen(name);
    if (used + 1 + extra + 1 > MAX_PATH)
        return false;
    memcpy(path, base, used * sizeof(wchar_t));
    path[used] = L'\\';
    memcpy(path + used + 1, name, (extra + 1) * sizeof(wchar_t));
    return true;
}

}  // namespace

bool SettingsPathsBelow(const wchar_t* allUsersFolder, SettingsPaths* paths)
{
    return JoinPath(allUsersFolder, kVendorFolderName, paths->vendorFolder) &&
           JoinPath(paths->vendorFolder, kProductFolderName, paths->productFolder) &&
           JoinPath(paths->productFolder, kSettingsFileName, paths->file);
}

bool GetSettingsPaths(SettingsPaths* paths)
{
    wchar_t allUsers[MAX_PATH] = {};
    return SHGetSpecialFolderPathW(nullptr, allUsers, CSIDL_COMMON_APPDATA, FALSE) &&
           SettingsPathsBelow(allUsers, paths);
}

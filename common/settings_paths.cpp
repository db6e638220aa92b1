#include "settings_paths.h"

#include <windows.h>
#include <shlobj.h>
#include <string.h>

bool AppendPathPart(wchar_t* path, size_t capacity, const wchar_t* name)
{
    const size_t used = wcslen(path);
    const size_t extra = wcslen(name);
    if (used + 1 + extra + 1 > capacity)
        return false;
    path[used] = L'\\';
    memcpy(path + used + 1, name, (extra + 1) * sizeof(wchar_t));
    return true;
}

bool GetVendorFolderPath(wchar_t* folder, size_t capacity)
{
    // Not created here: the reader must not make folders, the writers create them.
    wchar_t appData[MAX_PATH] = {};
    if (capacity == 0 || !SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE))
        return false;
    const size_t length = wcslen(appData);
    if (length + 1 > capacity)
        return false;
    memcpy(folder, appData, (length + 1) * sizeof(wchar_t));
    return AppendPathPart(folder, capacity, kVendorFolderName);
}

bool GetSettingsFolderPath(wchar_t* folder, size_t capacity)
{
    return GetVendorFolderPath(folder, capacity) && AppendPathPart(folder, capacity, kProductFolderName);
}

bool GetSettingsFilePath(wchar_t* path, size_t capacity)
{
    return GetSettingsFolderPath(path, capacity) && AppendPathPart(path, capacity, kSettingsFileName);
}

#include "settings_target.h"

#include <shlobj.h>

SettingsTargetResult GetSettingsTarget(SettingsPaths* target)
{
    wchar_t allUsers[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, allUsers, CSIDL_COMMON_APPDATA, TRUE))
        return kNoAllUsersFolder;
    if (!SettingsPathsBelow(allUsers, target))
        return kSettingsTargetTooLong;
    return kSettingsTargetFound;
}

bool AttributesNameALink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

const wchar_t* FindLinkInSettingsTarget(const SettingsPaths& target)
{
    // From the top down: below a linked folder, the paths already name what
    // the link points at, and the folder itself is the one to report.
    const wchar_t* const paths[] = {target.vendorFolder, target.productFolder, target.file};
    for (const wchar_t* path : paths) {
        // GetFileAttributesW reports the link itself, not its target.
        if (AttributesNameALink(GetFileAttributesW(path)))
            return path;
    }
    return nullptr;
}

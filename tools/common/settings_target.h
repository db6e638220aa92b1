// Where deployconfig puts the settings file, and the look at that place which
// both deployconfig and the installer package's check make before anything is
// created there: every user may create folders in the all-users folder, so
// any of the three paths may be a link that a user planted, and whatever an
// administrator's copy or new owner then lands on is the link's target.
#pragma once

#include "settings_paths.h"

#include <windows.h>

enum SettingsTargetResult {
    kSettingsTargetFound,
    kNoAllUsersFolder,
    kSettingsTargetTooLong,
};

// Builds the three paths below the all-users folder, asking the platform to
// create that folder when it is missing. Nothing else is created.
SettingsTargetResult GetSettingsTarget(SettingsPaths* target);

// True when attributes, as GetFileAttributesW reports them, mark a reparse
// point (a junction, a symbolic link, a mount point); a path that cannot be
// read (INVALID_FILE_ATTRIBUTES, whose bits are all set) is no link.
bool AttributesNameALink(DWORD attributes);

// The first of the three paths, from the top down, that exists and is a link;
// nullptr when none is.
const wchar_t* FindLinkInSettingsTarget(const SettingsPaths& target);

// The settings as the companion service takes them. It runs as LocalSystem,
// while the settings file lies in a folder where every user may create files:
// a value that would make the service act where it otherwise would not (shut
// down a computer nobody is signed in to, or hold less for other users than by
// default) is taken only from policy or from a file that administrators alone
// may change, as the pre-shutdown task on the logon desktop is.
#pragma once

#include "saver_settings.h"

#include <stdint.h>

// Where a value the service weighs came from.
enum SettingSource {
    kFromPolicy,
    kFromProtectedFile,  // the settings file and its folders: administrators only
    kFromOpenFile,       // a file someone else may have written
};

SettingSource SettingSourceOf(bool fromPolicy, bool fileProtected);
// shutdown_when_nobody_signed_in as the service takes it: 0 from an open file.
int32_t TrustedNobodySignedInMinutes(int32_t minutes, SettingSource source);
// hold_for_other_users as the service takes it: from an open file no less
// than the default.
int32_t TrustedHoldForOtherUsers(int32_t value, SettingSource source);

struct ServiceSettings {
    SaverSettings record;  // the profile's settings with the values above as trusted
    int32_t nobodySignedInMinutesRead;  // the minutes as read, before the check
    SettingSource nobodySignedInSource;
};

// Loads the settings as a screen saver of that kind of account reads them
// (the logon profile for a service account where the file or policy asks for
// one) and applies the checks above. The settings file's protection is read
// only where a value needs it.
void LoadServiceSettings(bool serviceAccount, ServiceSettings* settings);

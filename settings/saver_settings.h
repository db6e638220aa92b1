// The settings that drive the screen saver, and their load and save.
#pragma once

#include <stdint.h>

// objidl.h, which the shell and COM headers pull in, declares an unrelated
// ShutdownType enumeration. It is included here first under another name so
// that the action type keeps its own; include this header before shell headers.
#ifdef __objidl_h__
#error "include saver_settings.h before <objidl.h>, <shlobj.h> or <ole2.h>"
#endif
#define ShutdownType ComShutdownType
#include <windows.h>
#include <objidl.h>
#undef ShutdownType

typedef int32_t ShutdownType;
enum : ShutdownType {
    NoAction = 0,
    Shutdown = 1,
    Hibernation = 2,
    Standby = 3,
    Restart = 4,
    LogOff = 5,
    StationLock = 6,
};

// Whose sessions hold a shutdown or restart (hold_for_other_users). The
// default is 2: a user who switched away with fast user switching leaves a
// disconnected session, and a forced shutdown would close its programs.
enum : int32_t {
    kNeverHoldForOtherUsers = 0,
    kHoldWhileOtherUserActive = 1,    // another user's session is in use
    kHoldWhileOtherUserSignedIn = 2,  // another user is signed in at all, disconnected too
};

// The most minutes shutdown_when_nobody_signed_in may wait: one day.
const int32_t kLongestNobodySignedInMinutes = 1440;

const int kTaskJobCapacity = 260;  // MAX_PATH, terminator included
// "HH:MM-HH:MM" fits with room to spare; a longer text is not of that form anyway.
const int kActionHoursCapacity = 32;
// Room for 16 names of 64 characters with separators and blanks; more names are ignored.
const int kExemptProgramsCapacity = 2048;

struct SaverSettings {
    ShutdownType shutdown_type;
    bool force;
    int32_t countdown;
    bool eblris;
    bool perform_task;
    wchar_t task_job[kTaskJobCapacity];
    // The holds: no action outside these hours, none while one of these programs runs.
    wchar_t action_hours[kActionHoursCapacity];
    wchar_t exempt_programs[kExemptProgramsCapacity];
    // No shutdown or restart over another user's session: one of the values above.
    int32_t hold_for_other_users;
    // The companion service shuts down a computer that nobody has been signed
    // in to for this many minutes; 0: never.
    int32_t shutdown_when_nobody_signed_in;
};

// The process-wide record; holds the defaults until LoadSettings runs.
extern SaverSettings g_settings;

void ResetSaverSettings(SaverSettings& settings);
bool SettingsWordEquals(const wchar_t* value, const wchar_t* word);
bool IsServiceAccountName(const wchar_t* userName, const wchar_t* systemName,
                          const wchar_t* localServiceName);
bool CurrentUserIsServiceAccount();

bool LoadSettings();
// LoadSettings as for the given kind of account: the companion service reads
// the settings as the screen saver on the logon desktop does.
bool LoadSettingsForAccount(bool serviceAccount);
// False, with the file write's last error, when the settings file was not replaced.
bool SaveSettings();

// Whether screen savers of ours are running on the computer, where, and as
// whom: a relayed action comes only from a screen saver still on screen, its
// session is not another user's, and its account decides the settings'
// profile (the logon profile where it runs as a service account).
#pragma once

#include <windows.h>

// The file name a running screen saver's process has.
inline constexpr wchar_t kSaverFileName[] = L"Dusklatch.scr";

// More screen savers than this are not told apart; the first ones decide.
const int kMaxSaversSeen = 16;

struct SaverPresence {
    int count;  // the screen savers seen, at most kMaxSaversSeen
    // The sessions they run in; kNoSession for one whose session is unknown,
    // which leaves no session out.
    DWORD sessions[kMaxSaversSeen];
    // One of them runs, or may run (its account cannot be read), as the local
    // system or local service account; as any other account.
    bool serviceAccount;
    bool otherAccount;
};

// Looks at the running processes; false when the list cannot be taken
// (*error then holds the platform's error number). Nothing runs: count 0.
bool LookForSavers(SaverPresence* presence, unsigned long* error);

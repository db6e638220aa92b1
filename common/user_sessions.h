// Who is signed in to the computer's sessions: the screen saver holds a
// shutdown or restart while another user works, and the companion service
// powers down a computer that nobody has been signed in to for a while.
#pragma once

// wtsapi32.h needs the Windows types first.
#include <windows.h>
#include <wtsapi32.h>

#include <stddef.h>

// One session as the verdict sees it.
struct SessionRecord {
    DWORD sessionId;
    WTS_CONNECTSTATE_CLASS state;
    const wchar_t* userName;  // as the platform gives it; empty where nobody is signed in
};

// No session has this id: excluding it excludes none.
const DWORD kNoSession = 0xFFFFFFFFu;
// Room for any account name the platform gives, terminator included.
const int kSessionUserNameCapacity = 257;

// Whether someone works in a session of this state: an active session always,
// a disconnected one (its user signed in, away from it) when countDisconnected.
bool SessionStateCounts(WTS_CONNECTSTATE_CLASS state, bool countDisconnected);
// The first session other than excludedSession whose state counts and whose
// user name is not empty, as its index; -1 when none does.
int FirstSignedInSession(const SessionRecord* sessions, int count, DWORD excludedSession,
                         bool countDisconnected);

// The same verdict over the computer's sessions. False when they cannot be
// listed (no terminal-services library, or its enumeration failed); else
// *found tells whether a session counts, and userName holds its user's name,
// cut to capacity. The library is loaded by name, so that the programs still
// start where it is missing.
bool FindSignedInSession(DWORD excludedSession, bool countDisconnected, bool* found, wchar_t* userName,
                         size_t capacity);
// The calling process's session, or kNoSession when the platform cannot say.
DWORD CurrentSessionId();

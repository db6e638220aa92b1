// Who is signed in to the computer's sessions: the screen saver and the
// companion service hold a shutdown or restart while another user works, and
// the service powers down a computer that nobody has been signed in to for a
// while. When in doubt someone is: a name that cannot be read, or sessions
// that cannot be listed, never let an action end somebody's work.
#pragma once

// wtsapi32.h needs the Windows types first.
#include <windows.h>
#include <wtsapi32.h>

#include <stddef.h>

// One session as the verdict sees it.
struct SessionRecord {
    DWORD sessionId;
    WTS_CONNECTSTATE_CLASS state;
    // As the platform gives it: empty where nobody is signed in; null where
    // the name cannot be read, which counts as someone signed in.
    const wchar_t* userName;
};

// No session has this id: excluding it excludes none.
const DWORD kNoSession = 0xFFFFFFFFu;
// Room for any account name the platform gives, terminator included.
const int kSessionUserNameCapacity = 257;

// Whether someone works in a session of this state: an active session always,
// a disconnected one (its user signed in, away from it) when countDisconnected.
bool SessionStateCounts(WTS_CONNECTSTATE_CLASS state, bool countDisconnected);
// The first session outside ownSessions[0 .. ownCount) whose state counts and
// whose user is signed in (a name, or one that cannot be read), as its index;
// -1 when none is.
int FirstSignedInSession(const SessionRecord* sessions, int count, const DWORD* ownSessions, int ownCount,
                         bool countDisconnected);

enum OtherUsersSeen {
    kNoOtherUser,
    kOtherUserSignedIn,
    kSessionsNotListed,  // the terminal services are there, but their list failed
};

struct OtherUsers {
    OtherUsersSeen seen;
    DWORD error;  // kSessionsNotListed: the platform's error number
    // kOtherUserSignedIn: the user's name as the platform spells it, cut to
    // the room; empty when it cannot be read.
    wchar_t userName[kSessionUserNameCapacity];
};

// The same verdict over the computer's sessions. Only a system without the
// terminal services (no library, or not its entries) has nobody else; the
// library is loaded by name, so that the programs still start there.
void LookForOtherUsers(const DWORD* ownSessions, int ownCount, bool countDisconnected, OtherUsers* found);

// The session a process runs in, or kNoSession when the platform cannot say.
DWORD SessionOfProcess(DWORD processId);
// The calling process's session, or kNoSession.
DWORD CurrentSessionId();

// The service's own action: it shuts down a computer that nobody has been
// signed in to for the configured minutes (shutdown_when_nobody_signed_in),
// which the screen saver cannot do where nobody starts it.
#pragma once

#include <windows.h>
#include <stdint.h>

// What a look at the sessions found.
enum SessionsSeen {
    kNobodySignedIn,
    kSomeoneSignedIn,
    kSessionsUnknown,  // the look failed, or was not made: nothing is counted
};

struct NobodySignedInState {
    int32_t minutes;  // the minutes in a row with nobody signed in, nothing held and the setting on
    bool attempted;   // the one shutdown since a user was last signed in has been made
};

// One minute's look, with the minutes configured then (0: off) and whether
// the hours or a program hold the action. True: shut the computer down now.
// The minutes start again after anything but a minute with nobody signed in
// and nothing held; a new attempt needs a user to have signed in meanwhile.
bool NobodySignedInMinute(NobodySignedInState* state, int32_t configuredMinutes, SessionsSeen seen, bool held);

// Called on every wake of the service's loop: the first call reads the
// settings and starts the count; once a minute after that it reads them
// again, looks at the sessions and the holds, and shuts down when it is time.
void WatchForNobodySignedIn();

// The service's side of the mailbox: it creates the mailslot and the event
// that the screen saver only opens, reads every message, waits for the
// pre-shutdown tasks it is told of and carries out the actions.
#pragma once

#include "mailbox_protocol.h"

#include <windows.h>

struct ServiceMailbox {
    HANDLE slot = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
};

// The largest datagram the mailslot is made for: room beyond the longest valid
// message, so that a longer one is still read whole and refused by the check
// (not every platform enforces the limit at the writer).
const DWORD kMailslotMessageLimit = 64;
static_assert(kMailslotMessageLimit > kLongestMailboxDatagram, "a valid message fits the mailslot");

// Creates the mailslot, then the event, each with an explicit security
// descriptor: full access for SYSTEM and Administrators, write for LOCAL
// SERVICE and INTERACTIVE users, nothing for anyone else. Returns 0, or the
// error with *failedCall naming the call that failed (nothing stays open).
DWORD CreateServiceMailbox(ServiceMailbox* mailbox, const wchar_t** failedCall);
void CloseServiceMailbox(ServiceMailbox* mailbox);

// Serves the mailbox until stop is set: wakes on the event or once a second,
// and then reads every queued message. Each wake also gives the watch for a
// computer nobody is signed in to its turn. Returns within moments of stop, also
// while it waits for a task.
void RunMailboxLoop(const ServiceMailbox& mailbox, HANDLE stop);

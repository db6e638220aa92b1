// The service's side of the mailbox: it creates the mailslot and the event
// that the screen saver only opens, reads every message, waits for the
// pre-shutdown tasks it is told of and carries out the actions.
#pragma once

#include <windows.h>

struct ServiceMailbox {
    HANDLE slot = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
};

// The largest datagram the mailslot is made for; the longest valid one is 50
// bytes. Not every platform enforces it, so the check of each message does.
const DWORD kMailslotMessageLimit = 64;

// Creates the mailslot, then the event, each with an explicit security
// descriptor: full access for SYSTEM and Administrators, write for LOCAL
// SERVICE and INTERACTIVE users, nothing for anyone else. Returns 0, or the
// error with *failedCall naming the call that failed (nothing stays open).
DWORD CreateServiceMailbox(ServiceMailbox* mailbox, const wchar_t** failedCall);
void CloseServiceMailbox(ServiceMailbox* mailbox);

// Serves the mailbox until stop is set: wakes on the event or once a second,
// and then reads every queued message. Returns within moments of stop, also
// while it waits for a task.
void RunMailboxLoop(const ServiceMailbox& mailbox, HANDLE stop);

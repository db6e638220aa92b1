// The companion service's side of the mailbox, as a test double: it creates
// the mailslot and the global event that the screen saver only opens, and
// reads what arrives. Shared by companion.exe and the in-process tests.
#pragma once

#include <windows.h>

#include <vector>

extern const wchar_t kCompanionMailslotName[];
extern const wchar_t kCompanionEventName[];

struct CompanionMailbox {
    HANDLE slot = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
};

// Creates the mailslot and/or the event; false if a wanted one could not be made.
bool CreateCompanionMailbox(CompanionMailbox* mailbox, bool withSlot = true, bool withEvent = true);
void CloseCompanionMailbox(CompanionMailbox* mailbox);

// Reads every message now queued, each as the exact bytes of its one write.
std::vector<std::vector<unsigned char>> ReadQueuedMessages(HANDLE slot);

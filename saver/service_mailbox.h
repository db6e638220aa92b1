// The one-way channel to the companion service: its mailslot, its event and
// the text messages written into the mailslot.
#pragma once

#include "companion_names.h"
#include "saver_settings.h"

#include <stddef.h>

// Room for the longest message, a wait message with a ten-digit process id
// (24 characters), and its terminator.
const size_t kServiceMessageCapacity = 32;

// The verb the companion service knows the action by; "NoAction" for no
// action and for any value without a verb of its own.
const wchar_t* ServiceActionVerb(ShutdownType action);

// Both return the message's length in characters (its terminator not
// counted), or 0 when it does not fit the buffer.
size_t ComposeWaitMessage(DWORD processId, wchar_t* message, size_t capacity);
size_t ComposeActionMessage(ShutdownType action, bool force, wchar_t* message, size_t capacity);

// Bytes that one message takes on the wire: UTF-16LE text and its NUL.
size_t ServiceMessageByteCount(const wchar_t* message);

// Writes the message and its NUL in one write to the mailbox, opened anew for
// the message and closed again; true when all of it was written.
bool PostServiceMessage(const wchar_t* message);

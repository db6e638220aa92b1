// The saver's side of the channel to the companion service: which verb an
// action is relayed as, and the write of one message into the mailbox.
#pragma once

#include "mailbox_protocol.h"
#include "saver_settings.h"

#include <stddef.h>

// The verb the companion service knows the action by; "NoAction" for no
// action and for any value without a verb of its own.
MailboxVerb ServiceActionVerb(ShutdownType action);

// The saver's two messages; each returns the length in characters (its
// terminator not counted), or 0 when it does not fit the buffer.
size_t ComposeWaitMessage(DWORD processId, wchar_t* message, size_t capacity);
size_t ComposeActionMessage(ShutdownType action, bool force, wchar_t* message, size_t capacity);

// Bytes that one message takes on the wire: UTF-16LE text and its NUL.
size_t ServiceMessageByteCount(const wchar_t* message);

// Writes the message and its NUL in one write to the mailbox, opened anew for
// the message and closed again; true when all of it was written.
bool PostServiceMessage(const wchar_t* message);

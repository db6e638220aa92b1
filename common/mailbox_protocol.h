// The one-way channel from the screen saver to the companion service: the
// mailslot the service creates and the saver writes, the event the saver
// pulses, and the messages. Both ends build on this header: the saver composes
// its messages with ComposeMailboxMessage, and the service accepts a datagram
// only when composing what it read gives back the same bytes.
#pragma once

#include <stddef.h>
#include <stdint.h>

inline constexpr wchar_t kServiceMailboxName[] = L"\\\\.\\mailslot\\Orvanta\\Dusklatch\\mailbox";
inline constexpr wchar_t kServiceEventName[] = L"Global\\Dusklatch_mailarrived_";

// A message is a verb, for a wait the process id in decimal, and the flag
// ";true;" or ";false;" (always ";true;" for a wait), as UTF-16LE text followed
// by one NUL, in one write.
enum MailboxVerb {
    kMailboxWaitFor,
    kMailboxShutdown,
    kMailboxHibernate,
    kMailboxStandby,
    kMailboxReboot,
    kMailboxNoAction,
};

struct MailboxMessage {
    MailboxVerb verb;
    bool force;          // the flag; true for a wait
    uint32_t processId;  // the process a wait names; 0 for an action
};

inline constexpr wchar_t kMailboxTrueFlag[] = L";true;";
inline constexpr wchar_t kMailboxFalseFlag[] = L";false;";

// The longest message is a wait for a ten-digit process id,
// "WaitFor:4294967295;true;": 24 characters, 25 units with the NUL, 50 bytes.
const size_t kLongestMailboxMessage = 24;
const size_t kMailboxMessageCapacity = kLongestMailboxMessage + 1;
const size_t kLongestMailboxDatagram = kMailboxMessageCapacity * 2;

// "WaitFor:", "Shutdown", "Hibernate", "Standby", "Reboot", "NoAction".
const wchar_t* MailboxVerbText(MailboxVerb verb);

// The message's text, without its NUL; returns its length, or 0 (with an
// empty text) when it does not fit capacity units with the terminator.
size_t ComposeMailboxMessage(const MailboxMessage& message, wchar_t* text, size_t capacity);

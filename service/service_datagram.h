// The messages the screen saver writes into the mailbox, checked byte by byte
// before anything is done with them. Pure functions over the bytes as read:
// the mailbox accepts datagrams from anyone allowed to write it, so nothing
// in them is trusted until the check has passed.
#pragma once

#include "mailbox_protocol.h"

#include <stddef.h>
#include <stdint.h>

enum DatagramVerdict {
    kDatagramAccepted,
    kDatagramOddLength,     // not a whole number of UTF-16 units
    kDatagramTooLong,       // longer than the longest message
    kDatagramNoTerminator,  // empty, or the last unit is not NUL
    kDatagramInnerNul,      // a NUL before the last unit
    kDatagramUnknownVerb,
    kDatagramBadFlag,       // neither ";true;" nor ";false;", or a wait without ";true;"
    kDatagramBadProcessId,  // no digits, a sign, a blank, a leading zero, or beyond 32 bits
};

// Checks the length bytes of one datagram; fills message only when accepted,
// which is only when composing it gives back exactly these bytes.
DatagramVerdict CheckServiceDatagram(const unsigned char* bytes, size_t length, MailboxMessage* message);

// Why a datagram was refused, for the log ("" for an accepted one).
const wchar_t* DatagramVerdictText(DatagramVerdict verdict);

// The first bytes of a datagram as hexadecimal digits, two for each byte,
// with "..." when not all of them fit; never the bytes themselves, which may
// be anything. Returns the length written.
size_t FormatDatagramHex(const unsigned char* bytes, size_t length, wchar_t* text,
                         size_t capacity);

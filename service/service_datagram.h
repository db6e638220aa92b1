// The messages the screen saver writes into the mailbox, checked byte by byte
// before anything is done with them. Pure functions over the bytes as read:
// the mailbox accepts datagrams from anyone allowed to write it, so nothing
// in them is trusted until the check has passed.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum ServiceRequestKind {
    kRequestWaitFor,
    kRequestShutdown,
    kRequestHibernate,
    kRequestStandby,
    kRequestReboot,
    kRequestNoAction,
};

struct ServiceRequest {
    ServiceRequestKind kind;
    bool force;          // the flag was ";true;" (always so for a wait)
    uint32_t processId;  // the process to wait for; 0 for an action
};

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

// A wait message with a ten-digit process id and its NUL.
const size_t kLongestServiceDatagram = 50;

// Checks the length bytes of one datagram; fills request only when accepted.
DatagramVerdict CheckServiceDatagram(const unsigned char* bytes, size_t length,
                                     ServiceRequest* request);

// Why a datagram was refused, for the log ("" for an accepted one).
const wchar_t* DatagramVerdictText(DatagramVerdict verdict);

// The verb as it is written on the wire ("WaitFor:" for a wait).
const wchar_t* ServiceRequestVerb(ServiceRequestKind kind);

// The accepted message as text again, its NUL left out ("Reboot;false;");
// returns the length, or 0 when it does not fit.
size_t FormatServiceRequest(const ServiceRequest& request, wchar_t* text, size_t capacity);

// The first bytes of a datagram as hexadecimal digits, two for each byte,
// with "..." when not all of them fit; never the bytes themselves, which may
// be anything. Returns the length written.
size_t FormatDatagramHex(const unsigned char* bytes, size_t length, wchar_t* text,
                         size_t capacity);

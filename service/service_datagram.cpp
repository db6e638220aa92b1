#include "service_datagram.h"

#include <wchar.h>

namespace {

const MailboxVerb kActionVerbs[] = {
    kMailboxShutdown, kMailboxHibernate, kMailboxStandby, kMailboxReboot, kMailboxNoAction,
};

// The text of a datagram as UTF-16 units read from little-endian byte pairs.
// Every read goes through Unit(), which checks the index first.
struct Units {
    const unsigned char* bytes;
    size_t count;  // units before the terminating NUL

    unsigned Unit(size_t index) const
    {
        if (index >= count)
            return 0x10000;  // matches no character
        return bytes[2 * index] | (bytes[2 * index + 1] << 8);
    }
};

size_t TextLength(const wchar_t* text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

// True when text appears at position; *end is the position after it.
bool MatchAt(const Units& units, size_t position, const wchar_t* text, size_t* end)
{
    size_t length = TextLength(text);
    for (size_t i = 0; i < length; ++i)
        if (units.Unit(position + i) != static_cast<unsigned>(text[i]))
            return false;
    *end = position + length;
    return true;
}

// The flag must end the text: ";true;" or ";false;" and nothing after it.
bool ReadFlag(const Units& units, size_t position, bool* force)
{
    size_t end = 0;
    if (MatchAt(units, position, kMailboxTrueFlag, &end) && end == units.count) {
        *force = true;
        return true;
    }
    if (MatchAt(units, position, kMailboxFalseFlag, &end) && end == units.count) {
        *force = false;
        return true;
    }
    return false;
}

// Decimal digits as the screen saver writes a process id: at least one, no
// sign, no blank, no leading zero, at most 4294967295.
bool ReadProcessId(const Units& units, size_t position, uint32_t* processId, size_t* end)
{
    uint64_t value = 0;
    size_t digits = 0;
    for (;;) {
        unsigned unit = units.Unit(position + digits);
        if (unit < '0' || unit > '9')
            break;
        if (digits == 0 && unit == '0')
            return false;
        value = value * 10 + (unit - '0');
        if (++digits > 10 || value > 0xFFFFFFFFull)
            return false;
    }
    if (digits == 0)
        return false;
    *processId = static_cast<uint32_t>(value);
    *end = position + digits;
    return true;
}

// The parse must give back the datagram when composed again: the protocol's
// one composer, not this reader, decides what a message looks like.
bool ComposesTo(const MailboxMessage& message, const Units& units)
{
    wchar_t text[kMailboxMessageCapacity];
    const size_t length = ComposeMailboxMessage(message, text, kMailboxMessageCapacity);
    if (length != units.count)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (units.Unit(i) != static_cast<unsigned>(text[i]))
            return false;
    return true;
}

}  // namespace

DatagramVerdict CheckServiceDatagram(const unsigned char* bytes, size_t length, MailboxMessage* message)
{
    if (length % 2 != 0)
        return kDatagramOddLength;
    if (length > kLongestMailboxDatagram)
        return kDatagramTooLong;
    if (length == 0 || bytes[length - 1] != 0 || bytes[length - 2] != 0)
        return kDatagramNoTerminator;
    Units units = {bytes, length / 2 - 1};
    for (size_t i = 0; i < units.count; ++i)
        if (units.Unit(i) == 0)
            return kDatagramInnerNul;

    MailboxMessage parsed = {kMailboxNoAction, false, 0};
    size_t end = 0;
    if (MatchAt(units, 0, MailboxVerbText(kMailboxWaitFor), &end)) {
        parsed.verb = kMailboxWaitFor;
        if (!ReadProcessId(units, end, &parsed.processId, &end))
            return kDatagramBadProcessId;
        // A wait message always carries ";true;".
        if (!ReadFlag(units, end, &parsed.force) || !parsed.force)
            return kDatagramBadFlag;
    } else {
        bool known = false;
        for (MailboxVerb verb : kActionVerbs) {
            if (!MatchAt(units, 0, MailboxVerbText(verb), &end))
                continue;
            // "Shutdownx;true;" is another verb, "Shutdown" alone lacks its flag.
            if (end < units.count && units.Unit(end) != ';')
                return kDatagramUnknownVerb;
            parsed.verb = verb;
            if (!ReadFlag(units, end, &parsed.force))
                return kDatagramBadFlag;
            known = true;
            break;
        }
        if (!known)
            return kDatagramUnknownVerb;
    }
    if (!ComposesTo(parsed, units))
        return kDatagramUnknownVerb;
    *message = parsed;
    return kDatagramAccepted;
}

const wchar_t* DatagramVerdictText(DatagramVerdict verdict)
{
    switch (verdict) {
    case kDatagramAccepted:
        return L"";
    case kDatagramOddLength:
        return L"odd byte count";
    case kDatagramTooLong:
        return L"longer than 50 bytes";
    case kDatagramNoTerminator:
        return L"no terminating NUL";
    case kDatagramInnerNul:
        return L"NUL inside the text";
    case kDatagramUnknownVerb:
        return L"unknown verb";
    case kDatagramBadFlag:
        return L"bad flag";
    case kDatagramBadProcessId:
        return L"bad process id";
    }
    return L"unknown verdict";
}

size_t FormatDatagramHex(const unsigned char* bytes, size_t length, wchar_t* text,
                         size_t capacity)
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    if (capacity == 0)
        return 0;
    // All of it when it fits; otherwise as many bytes as leave room for "...".
    size_t shown = length;
    bool cut = false;
    if (length > (capacity - 1) / 2) {
        shown = capacity > 4 ? (capacity - 4) / 2 : 0;
        cut = true;
    }
    size_t used = 0;
    for (size_t i = 0; i < shown; ++i) {
        text[used++] = kDigits[bytes[i] >> 4];
        text[used++] = kDigits[bytes[i] & 0xF];
    }
    if (cut)
        for (const wchar_t* dots = L"..."; *dots && used + 1 < capacity; ++dots)
            text[used++] = *dots;
    text[used] = 0;
    return used;
}

#include "service_datagram.h"

#include "companion_names.h"

#include <wchar.h>

namespace {

const wchar_t kTrueFlag[] = L";true;";
const wchar_t kFalseFlag[] = L";false;";

const struct {
    const wchar_t* verb;
    ServiceRequestKind kind;
} kActionVerbs[] = {
    {kShutdownVerb, kRequestShutdown},
    {kHibernateVerb, kRequestHibernate},
    {kStandbyVerb, kRequestStandby},
    {kRebootVerb, kRequestReboot},
    {kNoActionVerb, kRequestNoAction},
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
    if (MatchAt(units, position, kTrueFlag, &end) && end == units.count) {
        *force = true;
        return true;
    }
    if (MatchAt(units, position, kFalseFlag, &end) && end == units.count) {
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

}  // namespace

DatagramVerdict CheckServiceDatagram(const unsigned char* bytes, size_t length,
                                     ServiceRequest* request)
{
    if (length % 2 != 0)
        return kDatagramOddLength;
    if (length > kLongestServiceDatagram)
        return kDatagramTooLong;
    if (length == 0 || bytes[length - 1] != 0 || bytes[length - 2] != 0)
        return kDatagramNoTerminator;
    Units units = {bytes, length / 2 - 1};
    for (size_t i = 0; i < units.count; ++i)
        if (units.Unit(i) == 0)
            return kDatagramInnerNul;

    ServiceRequest parsed = {kRequestNoAction, false, 0};
    size_t end = 0;
    if (MatchAt(units, 0, kWaitForVerb, &end)) {
        parsed.kind = kRequestWaitFor;
        if (!ReadProcessId(units, end, &parsed.processId, &end))
            return kDatagramBadProcessId;
        // A wait message always carries ";true;".
        if (!ReadFlag(units, end, &parsed.force) || !parsed.force)
            return kDatagramBadFlag;
        *request = parsed;
        return kDatagramAccepted;
    }
    for (const auto& action : kActionVerbs) {
        if (!MatchAt(units, 0, action.verb, &end))
            continue;
        // "Shutdownx;true;" is another verb, "Shutdown" alone lacks its flag.
        if (end < units.count && units.Unit(end) != ';')
            return kDatagramUnknownVerb;
        parsed.kind = action.kind;
        if (!ReadFlag(units, end, &parsed.force))
            return kDatagramBadFlag;
        *request = parsed;
        return kDatagramAccepted;
    }
    return kDatagramUnknownVerb;
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

const wchar_t* ServiceRequestVerb(ServiceRequestKind kind)
{
    if (kind == kRequestWaitFor)
        return kWaitForVerb;
    for (const auto& action : kActionVerbs)
        if (action.kind == kind)
            return action.verb;
    return L"";
}

size_t FormatServiceRequest(const ServiceRequest& request, wchar_t* text, size_t capacity)
{
    const wchar_t* flag = request.force ? kTrueFlag : kFalseFlag;
    int length = request.kind == kRequestWaitFor
                     ? swprintf(text, capacity, L"%ls%lu%ls", kWaitForVerb,
                                static_cast<unsigned long>(request.processId), flag)
                     : swprintf(text, capacity, L"%ls%ls", ServiceRequestVerb(request.kind), flag);
    if (length < 0 || static_cast<size_t>(length) >= capacity) {
        if (capacity)
            text[0] = 0;
        return 0;
    }
    return static_cast<size_t>(length);
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

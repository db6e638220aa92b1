// libFuzzer target for the companion service's datagram check: any bytes at
// all. Besides the sanitizers' findings (a read past the input is one), a
// broken promise aborts: an accepted datagram must be exactly the bytes of the
// message it was read as, so that nothing outside the grammar gets through.
#include "service_datagram.h"

#include <stdlib.h>
#include <string.h>

namespace {

void Require(bool condition)
{
    if (!condition)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MailboxMessage request = {kMailboxNoAction, false, 0};
    DatagramVerdict verdict = CheckServiceDatagram(data, size, &request);
    Require(verdict >= kDatagramAccepted && verdict <= kDatagramBadProcessId);

    wchar_t hex[64 * 2 + 4];
    size_t hexLength = FormatDatagramHex(data, size, hex, sizeof(hex) / sizeof(hex[0]));
    Require(hexLength < sizeof(hex) / sizeof(hex[0]) && hex[hexLength] == 0);
    if (verdict != kDatagramAccepted)
        return 0;

    Require(size % 2 == 0 && size <= kLongestMailboxDatagram);
    Require(request.verb >= kMailboxWaitFor && request.verb <= kMailboxNoAction);
    if (request.verb == kMailboxWaitFor)
        Require(request.force && request.processId >= 1);
    else
        Require(request.processId == 0);
    wchar_t text[kMailboxMessageCapacity];
    size_t length = ComposeMailboxMessage(request, text, kMailboxMessageCapacity);
    Require(length > 0 && (length + 1) * 2 == size);
    for (size_t i = 0; i <= length; ++i) {
        unsigned unit = data[2 * i] | (data[2 * i + 1] << 8);
        Require(unit == static_cast<unsigned>(i < length ? text[i] : 0));
    }
    return 0;
}

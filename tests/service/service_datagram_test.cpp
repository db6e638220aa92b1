// The companion service's check of each datagram, over exact bytes.
#include "service_datagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// UTF-16LE units of text, then the NUL the screen saver writes.
Bytes Wire(const std::wstring& text, bool terminated = true)
{
    Bytes bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    if (terminated) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

Bytes WithExtra(Bytes bytes, size_t extraBytes, unsigned char value = 0)
{
    bytes.insert(bytes.end(), extraBytes, value);
    return bytes;
}

struct Row {
    const char* name;
    Bytes bytes;
    DatagramVerdict verdict;
    ServiceRequestKind kind;
    bool force;
    uint32_t processId;
};

TEST(ServiceDatagram, AcceptsExactlyTheMessagesTheScreenSaverWrites)
{
    const Row rows[] = {
        {"shutdown", Wire(L"Shutdown;true;"), kDatagramAccepted, kRequestShutdown, true, 0},
        {"shutdown unforced", Wire(L"Shutdown;false;"), kDatagramAccepted, kRequestShutdown, false, 0},
        {"hibernate", Wire(L"Hibernate;true;"), kDatagramAccepted, kRequestHibernate, true, 0},
        {"hibernate unforced", Wire(L"Hibernate;false;"), kDatagramAccepted, kRequestHibernate, false, 0},
        {"standby", Wire(L"Standby;true;"), kDatagramAccepted, kRequestStandby, true, 0},
        {"standby unforced", Wire(L"Standby;false;"), kDatagramAccepted, kRequestStandby, false, 0},
        {"reboot", Wire(L"Reboot;true;"), kDatagramAccepted, kRequestReboot, true, 0},
        {"reboot unforced, 28 bytes", Wire(L"Reboot;false;"), kDatagramAccepted, kRequestReboot, false, 0},
        {"no action", Wire(L"NoAction;true;"), kDatagramAccepted, kRequestNoAction, true, 0},
        {"no action unforced", Wire(L"NoAction;false;"), kDatagramAccepted, kRequestNoAction, false, 0},
        {"wait, smallest id", Wire(L"WaitFor:1;true;"), kDatagramAccepted, kRequestWaitFor, true, 1},
        {"wait", Wire(L"WaitFor:1234;true;"), kDatagramAccepted, kRequestWaitFor, true, 1234},
        {"wait, largest id, 50 bytes", Wire(L"WaitFor:4294967295;true;"), kDatagramAccepted,
         kRequestWaitFor, true, 4294967295u},

        {"empty", Bytes(), kDatagramNoTerminator},
        {"one byte", Bytes(1, 0), kDatagramOddLength},
        {"odd count after the NUL", WithExtra(Wire(L"Shutdown;true;"), 1), kDatagramOddLength},
        {"odd count, NUL cut in half", WithExtra(Wire(L"Reboot;true;", false), 1), kDatagramOddLength},
        {"no NUL", Wire(L"Shutdown;true;", false), kDatagramNoTerminator},
        {"only a NUL", Wire(L""), kDatagramUnknownVerb},
        {"two NULs", WithExtra(Wire(L"Shutdown;true;"), 2), kDatagramInnerNul},
        {"NUL inside", Wire(std::wstring(L"Shut\0down;true;", 15)), kDatagramInnerNul},
        {"52 bytes", Wire(L"WaitFor:4294967295;true;;"), kDatagramTooLong},
        {"64 bytes", WithExtra(Wire(L"Shutdown;true;"), 34), kDatagramTooLong},
        {"lower case", Wire(L"shutdown;true;"), kDatagramUnknownVerb},
        {"upper case", Wire(L"SHUTDOWN;true;"), kDatagramUnknownVerb},
        {"lower-case wait", Wire(L"waitfor:12;true;"), kDatagramUnknownVerb},
        {"longer verb", Wire(L"Shutdownx;true;"), kDatagramUnknownVerb},
        {"the action's own name", Wire(L"Restart;true;"), kDatagramUnknownVerb},
        {"hibernation", Wire(L"Hibernation;true;"), kDatagramUnknownVerb},
        {"leading blank", Wire(L" Shutdown;true;"), kDatagramUnknownVerb},
        {"byte order mark", Wire(L"\xFEFFShutdown;true;"), kDatagramUnknownVerb},
        {"verb without flag", Wire(L"Shutdown"), kDatagramBadFlag},
        {"capital flag", Wire(L"Shutdown;True;"), kDatagramBadFlag},
        {"other flag", Wire(L"Standby;yes;"), kDatagramBadFlag},
        {"flag without closing", Wire(L"Shutdown;true"), kDatagramBadFlag},
        {"doubled closing", Wire(L"Shutdown;true;;"), kDatagramBadFlag},
        {"trailing blank", Wire(L"NoAction;false; "), kDatagramBadFlag},
        {"look-alike semicolon", Wire(L"Shutdown;true\x037E"), kDatagramBadFlag},
        {"wait without true", Wire(L"WaitFor:1234;false;"), kDatagramBadFlag},
        {"wait without flag", Wire(L"WaitFor:1234"), kDatagramBadFlag},
        {"blank after the id", Wire(L"WaitFor:123 ;true;"), kDatagramBadFlag},
        {"letter in the id", Wire(L"WaitFor:12a;true;"), kDatagramBadFlag},
        {"no id", Wire(L"WaitFor:;true;"), kDatagramBadProcessId},
        {"id 0", Wire(L"WaitFor:0;true;"), kDatagramBadProcessId},
        {"leading zero", Wire(L"WaitFor:0123;true;"), kDatagramBadProcessId},
        {"plus sign", Wire(L"WaitFor:+123;true;"), kDatagramBadProcessId},
        {"minus sign", Wire(L"WaitFor:-1;true;"), kDatagramBadProcessId},
        {"blank before the id", Wire(L"WaitFor: 123;true;"), kDatagramBadProcessId},
        {"beyond 32 bits", Wire(L"WaitFor:4294967296;true;"), kDatagramBadProcessId},
        {"far beyond 32 bits", Wire(L"WaitFor:9999999999;true;"), kDatagramBadProcessId},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ServiceRequest request = {kRequestNoAction, false, 77};
        DatagramVerdict verdict = CheckServiceDatagram(row.bytes.data(), row.bytes.size(), &request);
        ASSERT_EQ(row.verdict, verdict);
        if (verdict != kDatagramAccepted) {
            EXPECT_EQ(77u, request.processId) << "a refused datagram leaves the request alone";
            continue;
        }
        EXPECT_EQ(row.kind, request.kind);
        EXPECT_EQ(row.force, request.force);
        EXPECT_EQ(row.processId, request.processId);
        // Logged as the same text again, its NUL left out.
        wchar_t text[32];
        size_t length = FormatServiceRequest(request, text, 32);
        EXPECT_EQ(Wire(std::wstring(text, length)), row.bytes);
    }
}

TEST(ServiceDatagram, RefusedBytesAreLoggedAsHexAndCutToFit)
{
    const unsigned char bytes[] = {0x53, 0x00, 0x0d, 0x0a, 0xff};
    const struct {
        size_t length;
        size_t capacity;
        const wchar_t* text;
    } rows[] = {
        {0, 8, L""},
        {5, 11, L"53000d0aff"},
        {5, 10, L"53000d..."},
        {5, 4, L"..."},
        {5, 1, L""},
    };
    for (const auto& row : rows) {
        wchar_t text[16];
        size_t length = FormatDatagramHex(bytes, row.length, text, row.capacity);
        EXPECT_EQ(std::wstring(row.text), std::wstring(text)) << row.length << " " << row.capacity;
        EXPECT_EQ(wcslen(row.text), length);
    }
}

}  // namespace

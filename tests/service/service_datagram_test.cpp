// The companion service's check of each datagram, over exact bytes.
#include "service_datagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// UTF-16LE units of text, then the NUL the screen saver writes, then extra bytes.
Bytes Wire(const std::wstring& text, bool terminated = true, size_t extraBytes = 0)
{
    Bytes bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    bytes.insert(bytes.end(), (terminated ? 2 : 0) + extraBytes, 0);
    return bytes;
}

TEST(ServiceDatagram, AcceptsExactlyTheMessagesTheScreenSaverWrites)
{
    const struct {
        const char* name;
        Bytes bytes;
        DatagramVerdict verdict;
        MailboxVerb kind;
        bool force;
        uint32_t processId;
    } rows[] = {
        {"shutdown", Wire(L"Shutdown;true;"), kDatagramAccepted, kMailboxShutdown, true, 0},
        {"hibernate", Wire(L"Hibernate;false;"), kDatagramAccepted, kMailboxHibernate, false, 0},
        {"standby", Wire(L"Standby;true;"), kDatagramAccepted, kMailboxStandby, true, 0},
        {"reboot, 28 bytes", Wire(L"Reboot;false;"), kDatagramAccepted, kMailboxReboot, false, 0},
        {"no action", Wire(L"NoAction;true;"), kDatagramAccepted, kMailboxNoAction, true, 0},
        {"smallest id", Wire(L"WaitFor:1;true;"), kDatagramAccepted, kMailboxWaitFor, true, 1},
        {"largest id, 50 bytes", Wire(L"WaitFor:4294967295;true;"), kDatagramAccepted, kMailboxWaitFor, true,
         4294967295u},

        {"empty", Bytes(), kDatagramNoTerminator},
        {"odd count", Wire(L"Shutdown;true;", true, 1), kDatagramOddLength},
        {"no NUL", Wire(L"Shutdown;true;", false), kDatagramNoTerminator},
        {"two NULs", Wire(L"Shutdown;true;", true, 2), kDatagramInnerNul},
        {"NUL inside", Wire(std::wstring(L"Shut\0down;true;", 15)), kDatagramInnerNul},
        {"52 bytes", Wire(L"WaitFor:4294967295;true;;"), kDatagramTooLong},
        {"longer verb", Wire(L"Shutdownx;true;"), kDatagramUnknownVerb},
        {"the action's own name", Wire(L"Restart;true;"), kDatagramUnknownVerb},
        {"verb without flag", Wire(L"Shutdown"), kDatagramBadFlag},
        {"capital flag", Wire(L"Shutdown;True;"), kDatagramBadFlag},
        {"trailing blank", Wire(L"NoAction;false; "), kDatagramBadFlag},
        {"wait without true", Wire(L"WaitFor:1234;false;"), kDatagramBadFlag},
        {"no id", Wire(L"WaitFor:;true;"), kDatagramBadProcessId},
        {"id 0", Wire(L"WaitFor:0;true;"), kDatagramBadProcessId},
        {"leading zero", Wire(L"WaitFor:0123;true;"), kDatagramBadProcessId},
        {"blank", Wire(L"WaitFor: 123;true;"), kDatagramBadProcessId},
        {"beyond 32 bits", Wire(L"WaitFor:4294967296;true;"), kDatagramBadProcessId},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MailboxMessage request = {kMailboxNoAction, false, 77};
        ASSERT_EQ(row.verdict, CheckServiceDatagram(row.bytes.data(), row.bytes.size(), &request));
        if (row.verdict != kDatagramAccepted)
            continue;
        EXPECT_EQ(row.kind, request.verb);
        EXPECT_EQ(row.force, request.force);
        EXPECT_EQ(row.processId, request.processId);
        // Logged as the same text again.
        wchar_t text[kMailboxMessageCapacity];
        EXPECT_EQ(Wire(std::wstring(text, ComposeMailboxMessage(request, text, kMailboxMessageCapacity))), row.bytes);
    }
}

TEST(ServiceDatagram, RefusedBytesAreLoggedAsHexAndCutToFit)
{
    const unsigned char bytes[] = {0x53, 0x00, 0x0d, 0x0a, 0xff};
    const struct {
        size_t capacity;
        const wchar_t* text;
    } rows[] = {{11, L"53000d0aff"}, {10, L"53000d..."}, {4, L"..."}, {1, L""}};
    for (const auto& row : rows) {
        wchar_t text[16];
        EXPECT_EQ(wcslen(row.text), FormatDatagramHex(bytes, 5, text, row.capacity)) << row.capacity;
        EXPECT_EQ(std::wstring(row.text), std::wstring(text)) << row.capacity;
    }
}

}  // namespace

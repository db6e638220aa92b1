#include "service_mailbox.h"

#include "companion_mailbox.h"
#include "power_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ActionMessageRow {
    ShutdownType action;
    bool force;
    const wchar_t* text;
};

const ActionMessageRow kActionMessages[] = {
    {NoAction, true, L"NoAction;true;"},
    {NoAction, false, L"NoAction;false;"},
    {Shutdown, true, L"Shutdown;true;"},
    {Shutdown, false, L"Shutdown;false;"},
    {Hibernation, true, L"Hibernate;true;"},
    {Hibernation, false, L"Hibernate;false;"},
    {Standby, true, L"Standby;true;"},
    {Standby, false, L"Standby;false;"},
    {Restart, true, L"Reboot;true;"},
    {Restart, false, L"Reboot;false;"},
    // Values without a verb of their own reach the service as no action.
    {LogOff, true, L"NoAction;true;"},
    {StationLock, false, L"NoAction;false;"},
    {7, true, L"NoAction;true;"},
    {-1, false, L"NoAction;false;"},
    {INT32_MIN, true, L"NoAction;true;"},
    {INT32_MAX, false, L"NoAction;false;"},
};

TEST(ServiceMessage, ActionMessageForEveryVerbAndFlag)
{
    for (const ActionMessageRow& row : kActionMessages) {
        SCOPED_TRACE(testing::Message() << "action " << row.action << " force " << row.force);
        wchar_t message[kMailboxMessageCapacity];
        size_t length = ComposeActionMessage(row.action, row.force, message, kMailboxMessageCapacity);
        EXPECT_EQ(std::wstring(row.text), message);
        EXPECT_EQ(wcslen(row.text), length);
    }
}

struct WaitMessageRow {
    DWORD processId;
    const wchar_t* text;
};

TEST(ServiceMessage, WaitMessageCarriesThePidInPlainDecimal)
{
    const WaitMessageRow rows[] = {
        {0, L"WaitFor:0;true;"},
        {8, L"WaitFor:8;true;"},
        {1234, L"WaitFor:1234;true;"},
        {1000000000, L"WaitFor:1000000000;true;"},
        // Above INT32_MAX: no sign may appear.
        {0x80000000u, L"WaitFor:2147483648;true;"},
        {0xFFFFFFFFu, L"WaitFor:4294967295;true;"},
    };
    for (const WaitMessageRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "pid " << row.processId);
        wchar_t message[kMailboxMessageCapacity];
        size_t length = ComposeWaitMessage(row.processId, message, kMailboxMessageCapacity);
        EXPECT_EQ(std::wstring(row.text), message);
        EXPECT_EQ(wcslen(row.text), length);
    }
}

TEST(ServiceMessage, ByteCountsOnTheWire)
{
    wchar_t message[kMailboxMessageCapacity];
    ComposeActionMessage(Restart, false, message, kMailboxMessageCapacity);
    EXPECT_EQ(28u, ServiceMessageByteCount(message));
    ComposeWaitMessage(4294967295u, message, kMailboxMessageCapacity);
    EXPECT_EQ(24u, wcslen(message));
    EXPECT_EQ(50u, ServiceMessageByteCount(message));
    ComposeActionMessage(Hibernation, false, message, kMailboxMessageCapacity);
    EXPECT_EQ(34u, ServiceMessageByteCount(message));
}

TEST(ServiceMessage, TooSmallABufferGivesNoMessage)
{
    wchar_t message[14];
    // "Reboot;false;" needs 14 units with its terminator; one fewer must not fit.
    EXPECT_EQ(13u, ComposeActionMessage(Restart, false, message, 14));
    EXPECT_EQ(0u, ComposeActionMessage(Restart, false, message, 13));
    EXPECT_EQ(0, message[0]);
    EXPECT_EQ(0u, ComposeWaitMessage(4294967295u, message, 14));
    EXPECT_EQ(0, message[0]);
}

TEST(PostServiceMessage, EachMessageIsOneWriteWithItsNul)
{
    CompanionMailbox mailbox;
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox, true, false));
    const wchar_t* texts[] = {L"Reboot;false;", L"WaitFor:4294967295;true;", L"Standby;true;"};
    for (const wchar_t* text : texts)
        EXPECT_TRUE(PostServiceMessage(text));
    std::vector<std::vector<unsigned char>> messages = ReadQueuedMessages(mailbox.slot);
    CloseCompanionMailbox(&mailbox);
    ASSERT_EQ(3u, messages.size());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(WireBytes(texts[i]), messages[i]) << Utf16Text(messages[i]).c_str();
    EXPECT_EQ(28u, messages[0].size());
    EXPECT_EQ(50u, messages[1].size());
}

TEST(PostServiceMessage, FailsWhenNoServiceHasMadeTheMailbox)
{
    EXPECT_FALSE(PostServiceMessage(L"Shutdown;true;"));
}

TEST(PostServiceMessage, OpensTheMailboxAnewForEachMessage)
{
    // A mailbox made after a failed write is used by the next message.
    EXPECT_FALSE(PostServiceMessage(L"NoAction;false;"));
    CompanionMailbox mailbox;
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox, true, false));
    EXPECT_TRUE(PostServiceMessage(L"NoAction;true;"));
    std::vector<std::vector<unsigned char>> messages = ReadQueuedMessages(mailbox.slot);
    CloseCompanionMailbox(&mailbox);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(WireBytes(L"NoAction;true;"), messages[0]);
    // Once the service has gone, writing fails again rather than into a stale handle.
    EXPECT_FALSE(PostServiceMessage(L"NoAction;true;"));
}

}  // namespace

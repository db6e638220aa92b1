#include "companion_mailbox.h"

const wchar_t kCompanionMailslotName[] = L"\\\\.\\mailslot\\Orvanta\\Dusklatch\\mailbox";
const wchar_t kCompanionEventName[] = L"Global\\Dusklatch_mailarrived_";

bool CreateCompanionMailbox(CompanionMailbox* mailbox, bool withSlot, bool withEvent)
{
    if (withSlot) {
        // A read timeout of 0: the reader never blocks in ReadFile, it asks first.
        mailbox->slot = CreateMailslotW(kCompanionMailslotName, 0, 0, nullptr);
        if (mailbox->slot == INVALID_HANDLE_VALUE)
            return false;
    }
    if (withEvent) {
        // Manual reset: PulseEvent then releases every waiter and leaves it unset.
        mailbox->event = CreateEventW(nullptr, TRUE, FALSE, kCompanionEventName);
        if (!mailbox->event) {
            CloseCompanionMailbox(mailbox);
            return false;
        }
    }
    return true;
}

void CloseCompanionMailbox(CompanionMailbox* mailbox)
{
    if (mailbox->slot != INVALID_HANDLE_VALUE)
        CloseHandle(mailbox->slot);
    if (mailbox->event)
        CloseHandle(mailbox->event);
    mailbox->slot = INVALID_HANDLE_VALUE;
    mailbox->event = nullptr;
}

std::vector<std::vector<unsigned char>> ReadQueuedMessages(HANDLE slot)
{
    std::vector<std::vector<unsigned char>> messages;
    if (slot == INVALID_HANDLE_VALUE)
        return messages;
    // The message count that GetMailslotInfo reports is unreliable under Wine;
    // the size of the next message is not.
    for (;;) {
        DWORD nextSize = MAILSLOT_NO_MESSAGE;
        if (!GetMailslotInfo(slot, nullptr, &nextSize, nullptr, nullptr) ||
            nextSize == MAILSLOT_NO_MESSAGE)
            break;
        std::vector<unsigned char> message(nextSize ? nextSize : 1);
        DWORD got = 0;
        if (!ReadFile(slot, message.data(), nextSize, &got, nullptr))
            break;
        message.resize(got);
        messages.push_back(message);
    }
    return messages;
}

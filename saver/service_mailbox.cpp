#include "service_mailbox.h"

#include <wchar.h>

MailboxVerb ServiceActionVerb(ShutdownType action)
{
    switch (action) {
    case Shutdown:
        return kMailboxShutdown;
    case Hibernation:
        return kMailboxHibernate;
    case Standby:
        return kMailboxStandby;
    case Restart:
        return kMailboxReboot;
    default:
        return kMailboxNoAction;
    }
}

size_t ComposeWaitMessage(DWORD processId, wchar_t* message, size_t capacity)
{
    const MailboxMessage wait = {kMailboxWaitFor, true, static_cast<uint32_t>(processId)};
    return ComposeMailboxMessage(wait, message, capacity);
}

size_t ComposeActionMessage(ShutdownType action, bool force, wchar_t* message, size_t capacity)
{
    const MailboxMessage relay = {ServiceActionVerb(action), force, 0};
    return ComposeMailboxMessage(relay, message, capacity);
}

size_t ServiceMessageByteCount(const wchar_t* message)
{
    return (wcslen(message) + 1) * sizeof(wchar_t);
}

bool PostServiceMessage(const wchar_t* message)
{
    HANDLE mailbox = CreateFileW(kServiceMailboxName, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mailbox == INVALID_HANDLE_VALUE)
        return false;
    const DWORD byteCount = static_cast<DWORD>(ServiceMessageByteCount(message));
    DWORD written = 0;
    bool complete = WriteFile(mailbox, message, byteCount, &written, nullptr) && written == byteCount;
    CloseHandle(mailbox);
    return complete;
}

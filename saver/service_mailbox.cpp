#include "service_mailbox.h"

#include <stdio.h>
#include <wchar.h>

namespace {

// swprintf's count, or 0 with an empty buffer when the text did not fit.
size_t FittedLength(int length, wchar_t* message, size_t capacity)
{
    if (length < 0 || static_cast<size_t>(length) >= capacity) {
        if (capacity)
            message[0] = 0;
        return 0;
    }
    return static_cast<size_t>(length);
}

}  // namespace

const wchar_t* ServiceActionVerb(ShutdownType action)
{
    switch (action) {
    case Shutdown:
        return kShutdownVerb;
    case Hibernation:
        return kHibernateVerb;
    case Standby:
        return kStandbyVerb;
    case Restart:
        return kRebootVerb;
    default:
        return kNoActionVerb;
    }
}

size_t ComposeWaitMessage(DWORD processId, wchar_t* message, size_t capacity)
{
    // Note: this toolchain's wide printf takes %ls for wide text and %s for narrow.
    int length = swprintf(message, capacity, L"%ls%lu;true;", kWaitForVerb,
                          static_cast<unsigned long>(processId));
    return FittedLength(length, message, capacity);
}

size_t ComposeActionMessage(ShutdownType action, bool force, wchar_t* message, size_t capacity)
{
    int length = swprintf(message, capacity, L"%ls;%ls;", ServiceActionVerb(action),
                          force ? L"true" : L"false");
    return FittedLength(length, message, capacity);
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

#include "mailbox_protocol.h"

#include <stdio.h>
#include <wchar.h>

const wchar_t* MailboxVerbText(MailboxVerb verb)
{
    switch (verb) {
    case kMailboxWaitFor:
        return L"WaitFor:";
    case kMailboxShutdown:
        return L"Shutdown";
    case kMailboxHibernate:
        return L"Hibernate";
    case kMailboxStandby:
        return L"Standby";
    case kMailboxReboot:
        return L"Reboot";
    case kMailboxNoAction:
        return L"NoAction";
    }
    return L"";
}

size_t ComposeMailboxMessage(const MailboxMessage& message, wchar_t* text, size_t capacity)
{
    const wchar_t* flag = message.force ? kMailboxTrueFlag : kMailboxFalseFlag;
    // Note: this toolchain's wide printf takes %ls for wide text and %s for narrow.
    const int length = message.verb == kMailboxWaitFor
                           ? swprintf(text, capacity, L"%ls%lu%ls", MailboxVerbText(message.verb),
                                      static_cast<unsigned long>(message.processId), flag)
                           : swprintf(text, capacity, L"%ls%ls", MailboxVerbText(message.verb), flag);
    if (length < 0 || static_cast<size_t>(length) >= capacity) {
        if (capacity)
            text[0] = 0;
        return 0;
    }
    return static_cast<size_t>(length);
}

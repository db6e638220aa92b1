#include "mailbox_loop.h"

#include "entry_limit.h"
#include "nobody_signed_in.h"
#include "relay_holds.h"
#include "saver_presence.h"
#include "scoped_handles.h"
#include "service_actions.h"
#include "service_datagram.h"
#include "service_log.h"
#include "service_messages.h"

#include <sddl.h>
#include <stdarg.h>
#include <stdio.h>

namespace {

// SIDs rather than aliases, so that systems that predate an alias read them:
// S-1-5-18 SYSTEM, S-1-5-32-544 Administrators, S-1-5-19 LOCAL SERVICE,
// S-1-5-4 INTERACTIVE. The screen saver opens the mailslot with GENERIC_WRITE
// (FILE_GENERIC_WRITE, 0x120116) and the event with EVENT_MODIFY_STATE; the
// event's writers also get SYNCHRONIZE (0x100002).
const wchar_t kMailslotAccess[] =
    L"D:P(A;;0x1f01ff;;;S-1-5-18)(A;;0x1f01ff;;;S-1-5-32-544)"
    L"(A;;0x120116;;;S-1-5-19)(A;;0x120116;;;S-1-5-4)";
const wchar_t kEventAccess[] =
    L"D:P(A;;0x1f0003;;;S-1-5-18)(A;;0x1f0003;;;S-1-5-32-544)"
    L"(A;;0x100002;;;S-1-5-19)(A;;0x100002;;;S-1-5-4)";

const DWORD kIdleWakeMs = 1000;

// Wait handles are few in practice (one task per relay); the cap keeps a
// flood of forged wait messages from piling up handles.
const size_t kMaxWaits = 16;

// Everything a datagram makes the service write (accepted, refused for any
// reason, cannot be opened, waiting for, held) shares one budget a minute; the
// datagrams whose entries are left out are counted and summed up, with the
// local time of the first of them. Only the entry right before a power call
// is never left out: every action taken stays audited.
struct DatagramLog {
    EntryLimit limit;
    SYSTEMTIME firstLeftOut;
    bool datagramCounted;  // the datagram being handled is counted already
};

void WriteLeftOutSummary(uint64_t leftOut, const SYSTEMTIME& since)
{
    wchar_t count[24];
    wchar_t sinceText[24];
    swprintf(count, 24, L"%llu", static_cast<unsigned long long>(leftOut));
    swprintf(sinceText, 24, L"%04u-%02u-%02u %02u:%02u:%02u", since.wYear, since.wMonth, since.wDay,
             since.wHour, since.wMinute, since.wSecond);
    const wchar_t* inserts[2] = {count, sinceText};
    ServiceLogMessage(kLogWarning, MSG_REFUSALS_UNLOGGED, inserts, 2);
}

// At each wake-up, so that a summary is written within moments of its minute's end.
void SummariseWhenDue(DatagramLog* log)
{
    uint64_t leftOut = 0;
    if (EntrySummaryDue(&log->limit, GetTickCount(), &leftOut))
        WriteLeftOutSummary(leftOut, log->firstLeftOut);
}

void BeginDatagram(DatagramLog* log)
{
    log->datagramCounted = false;
}

// One entry caused by the datagram being handled, as ServiceLog writes it,
// unless the minute's budget is spent.
void LogForDatagram(DatagramLog* log, ServiceLogKind kind, const wchar_t* format, ...)
{
    uint64_t leftOut = 0;
    switch (LimitEntry(&log->limit, GetTickCount(), &leftOut)) {
    case kEntryLeaveOut:
        if (!log->datagramCounted) {
            log->datagramCounted = true;
            if (CountLeftOut(&log->limit) == 1)
                GetLocalTime(&log->firstLeftOut);
        }
        return;
    case kEntrySummaryFirst:
        WriteLeftOutSummary(leftOut, log->firstLeftOut);
        break;
    default:
        break;
    }
    va_list arguments;
    va_start(arguments, format);
    ServiceLogV(kind, format, arguments);
    va_end(arguments);
}

struct PendingWaits {
    HANDLE processes[kMaxWaits];
    DWORD ids[kMaxWaits];
    size_t count;
};

void ReleaseWaits(PendingWaits* waits)
{
    for (size_t i = 0; i < waits->count; ++i)
        CloseHandle(waits->processes[i]);
    waits->count = 0;
}

void AddWait(PendingWaits* waits, DWORD processId, DatagramLog* log)
{
    if (waits->count == kMaxWaits) {
        LogForDatagram(log, kLogWarning, L"Process %lu is not waited for: already waiting for %lu processes.",
                       processId, static_cast<unsigned long>(kMaxWaits));
        return;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) {
        // Most often the task has ended already; nothing to wait for then.
        LogForDatagram(log, kLogInformation, L"Process %lu cannot be opened (%lu): not waited for.", processId,
                       GetLastError());
        return;
    }
    waits->processes[waits->count] = process;
    waits->ids[waits->count] = processId;
    ++waits->count;
}

// Waits until every listed process has ended; false when stop came first.
// The list is empty afterwards either way.
bool WaitForTasks(PendingWaits* waits, HANDLE stop, const wchar_t* action, DatagramLog* log)
{
    bool finished = true;
    for (size_t i = 0; i < waits->count && finished; ++i) {
        LogForDatagram(log, kLogInformation, L"Waiting for process %lu to end before %ls", waits->ids[i], action);
        HANDLE handles[2] = {stop, waits->processes[i]};
        // A task may run for long; the summary is not held up by it.
        DWORD woken;
        while ((woken = WaitForMultipleObjects(2, handles, FALSE, kIdleWakeMs)) == WAIT_TIMEOUT)
            SummariseWhenDue(log);
        if (woken == WAIT_OBJECT_0) {
            LogForDatagram(log, kLogWarning, L"Stopped while waiting for process %lu: %ls is not carried out.",
                           waits->ids[i], action);
            finished = false;
        } else if (woken == WAIT_FAILED) {
            LogForDatagram(log, kLogError, L"WaitForMultipleObjects failed (%lu) for process %lu.", GetLastError(),
                           waits->ids[i]);
        } else {
            LogForDatagram(log, kLogInformation, L"Process %lu has ended.", waits->ids[i]);
        }
    }
    ReleaseWaits(waits);
    return finished;
}

// One datagram as read. False when a stop request ended a wait.
bool HandleDatagram(const unsigned char* bytes, DWORD length, PendingWaits* waits, HANDLE stop, DatagramLog* log)
{
    BeginDatagram(log);
    MailboxMessage request;
    DatagramVerdict verdict = CheckServiceDatagram(bytes, length, &request);
    if (verdict != kDatagramAccepted) {
        wchar_t hex[2 * kMailslotMessageLimit + 4];
        FormatDatagramHex(bytes, length, hex, sizeof(hex) / sizeof(hex[0]));
        LogForDatagram(log, kLogWarning, L"Refused a message of %lu bytes (%ls): %ls", length,
                       DatagramVerdictText(verdict), hex);
        return true;
    }
    wchar_t text[kMailboxMessageCapacity];
    ComposeMailboxMessage(request, text, kMailboxMessageCapacity);
    LogForDatagram(log, kLogInformation, L"Accepted %ls", text);
    if (request.verb == kMailboxWaitFor) {
        AddWait(waits, request.processId, log);
        return true;
    }
    // A relay always comes from a screen saver still on screen; without one
    // the message is forged or stray, and the machine stays up. The waits
    // announced before it belong to it and go with it.
    SaverPresence savers;
    unsigned long error = 0;
    if (!LookForSavers(&savers, &error) || savers.count == 0) {
        if (error)
            LogForDatagram(log, kLogError, L"Refused %ls: CreateToolhelp32Snapshot failed (%lu).", text, error);
        else
            LogForDatagram(log, kLogWarning, L"Refused %ls: no %ls is running.", text, kSaverFileName);
        ReleaseWaits(waits);
        return true;
    }
    if (!WaitForTasks(waits, stop, text, log))
        return false;
    if (request.verb == kMailboxNoAction) {
        LogForDatagram(log, kLogInformation, L"%ls%ls: nothing to do.", MailboxVerbText(request.verb),
                       request.force ? L", forced" : L"");
        return true;
    }
    // Weighed after the waits, as late as the action itself.
    HoldVerdict hold;
    static HoldRules rules;  // large for the stack; one thread
    WeighRelayHolds(request.verb, savers, &hold, &rules);
    if (hold.kind != kNotHeld) {
        wchar_t reason[320];
        DescribeHold(hold, rules, reason, sizeof(reason) / sizeof(reason[0]));
        LogForDatagram(log, kLogWarning, L"%ls is not carried out: held %ls.", text, reason);
        return true;
    }
    ServiceLog(kLogInformation, L"Nothing holds %ls: it is carried out.", text);
    CarryOutAction(request);
    return true;
}

// Reads and handles every queued message. False when a stop request ended a wait.
bool ServeQueuedMessages(HANDLE slot, PendingWaits* waits, HANDLE stop, DatagramLog* log)
{
    for (;;) {
        // The message count is not reliable on every platform; the size of
        // the next message is.
        DWORD nextSize = MAILSLOT_NO_MESSAGE;
        if (!GetMailslotInfo(slot, nullptr, &nextSize, nullptr, nullptr)) {
            ServiceLog(kLogError, L"GetMailslotInfo failed (%lu)", GetLastError());
            return true;
        }
        if (nextSize == MAILSLOT_NO_MESSAGE)
            return true;
        // The mailslot was made with this limit, so no larger message can be
        // written; one that somehow were would fail the read and be logged.
        unsigned char buffer[kMailslotMessageLimit];
        DWORD got = 0;
        if (!ReadFile(slot, buffer, sizeof(buffer), &got, nullptr)) {
            ServiceLog(kLogError, L"ReadFile failed (%lu)", GetLastError());
            return true;
        }
        if (!HandleDatagram(buffer, got, waits, stop, log))
            return false;
    }
}

}  // namespace

DWORD CreateServiceMailbox(ServiceMailbox* mailbox, const wchar_t** failedCall)
{
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> slotAccess;
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> eventAccess;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMailslotAccess, SDDL_REVISION_1,
                                                              slotAccess.Receive(), nullptr) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(kEventAccess, SDDL_REVISION_1,
                                                              eventAccess.Receive(), nullptr)) {
        *failedCall = L"ConvertStringSecurityDescriptorToSecurityDescriptor";
        return GetLastError();
    }
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), slotAccess.Get(), FALSE};
    // A read time-out of 0: the reader asks for the next size first and never blocks.
    mailbox->slot = CreateMailslotW(kServiceMailboxName, kMailslotMessageLimit, 0, &attributes);
    if (mailbox->slot == INVALID_HANDLE_VALUE) {
        *failedCall = L"CreateMailslot";
        return GetLastError();
    }
    // Auto-reset: a pulse wakes the one reader. An event that exists already
    // (a screen saver still holds it from an earlier run of the service) is
    // opened; an object of another kind under the name fails.
    attributes.lpSecurityDescriptor = eventAccess.Get();
    mailbox->event = CreateEventW(&attributes, FALSE, FALSE, kServiceEventName);
    if (!mailbox->event) {
        DWORD error = GetLastError();
        CloseServiceMailbox(mailbox);
        *failedCall = L"CreateEvent";
        return error;
    }
    return ERROR_SUCCESS;
}

void CloseServiceMailbox(ServiceMailbox* mailbox)
{
    if (mailbox->slot != INVALID_HANDLE_VALUE)
        CloseHandle(mailbox->slot);
    if (mailbox->event)
        CloseHandle(mailbox->event);
    mailbox->slot = INVALID_HANDLE_VALUE;
    mailbox->event = nullptr;
}

void RunMailboxLoop(const ServiceMailbox& mailbox, HANDLE stop)
{
    PendingWaits waits = {};
    DatagramLog log = {};
    HANDLE wakers[2] = {stop, mailbox.event};
    for (;;) {
        WatchForNobodySignedIn();
        // A pulse that comes while nobody waits is lost, and the screen saver
        // writes without pulsing when it could not open the event: the slot
        // is read after every time-out too.
        DWORD woken = WaitForMultipleObjects(2, wakers, FALSE, kIdleWakeMs);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken == WAIT_FAILED) {
            ServiceLog(kLogError, L"WaitForMultipleObjects failed (%lu)", GetLastError());
            if (WaitForSingleObject(stop, kIdleWakeMs) != WAIT_TIMEOUT)
                break;
        }
        SummariseWhenDue(&log);
        if (!ServeQueuedMessages(mailbox.slot, &waits, stop, &log))
            break;
    }
    ReleaseWaits(&waits);
    // Datagrams counted in a minute that the stop cuts short are not lost.
    if (uint64_t leftOut = EndEntryMinute(&log.limit))
        WriteLeftOutSummary(leftOut, log.firstLeftOut);
}

// companion.exe RECORD_FILE [LIFETIME_SECONDS]
// A stand-in for the companion service's mailbox side. It creates the real
// mailslot and global event, then writes one line per observation to
// RECORD_FILE, each flushed at once so that a test can read it while we run:
//   ready <tick>
//   message <tick> <byte count> <bytes in hex>
//   pulse <tick>
//   stopped <tick>
// Ticks are GetTickCount values, comparable across processes. It ends when
// the event "DusklatchCompanion_stop" is set or its lifetime (default 120 s)
// is over, so that a failed test never leaves it behind for long.
#include "companion_mailbox.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const wchar_t kStopEventName[] = L"DusklatchCompanion_stop";
const DWORD kPollMs = 100;

void WriteRecord(HANDLE file, const char* text)
{
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    FlushFileBuffers(file);
}

void RecordTick(HANDLE file, const char* kind)
{
    char line[64];
    snprintf(line, sizeof(line), "%s %lu\n", kind, static_cast<unsigned long>(GetTickCount()));
    WriteRecord(file, line);
}

void RecordMessages(HANDLE file, HANDLE slot)
{
    for (const std::vector<unsigned char>& message : ReadQueuedMessages(slot)) {
        char line[64 + 2 * 512];
        int length = snprintf(line, 64, "message %lu %u ", static_cast<unsigned long>(GetTickCount()),
                              static_cast<unsigned>(message.size()));
        for (size_t i = 0; i < message.size() && i < 512; ++i)
            length += snprintf(line + length, 3, "%02x", message[i]);
        snprintf(line + length, 2, "\n");
        WriteRecord(file, line);
    }
}

struct PulseWatch {
    HANDLE file;
    HANDLE slot;
    HANDLE event;
    HANDLE stop;
    HANDLE done;
    CRITICAL_SECTION lock;  // the file and the slot are shared with the main loop
};

// A pulse reaches only a thread that waits at that moment, so one thread does
// nothing but wait for it; reading the slot in the same loop would lose a
// pulse that came while it recorded.
DWORD WINAPI WatchPulses(void* parameter)
{
    PulseWatch* watch = static_cast<PulseWatch*>(parameter);
    HANDLE waits[3] = {watch->event, watch->stop, watch->done};
    while (WaitForMultipleObjects(3, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        EnterCriticalSection(&watch->lock);
        // Messages found on a pulse were written before it, and are recorded first.
        RecordMessages(watch->file, watch->slot);
        RecordTick(watch->file, "pulse");
        LeaveCriticalSection(&watch->lock);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: companion RECORD_FILE [LIFETIME_SECONDS]\n");
        return 2;
    }
    const DWORD lifetimeMs = (argc > 2 ? wcstoul(argv[2], nullptr, 10) : 120) * 1000;
    HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    CompanionMailbox mailbox;
    if (!CreateCompanionMailbox(&mailbox)) {
        CloseHandle(file);
        return 4;
    }
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, kStopEventName);
    PulseWatch watch = {file, mailbox.slot, mailbox.event, stop, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    InitializeCriticalSection(&watch.lock);
    HANDLE watcher = CreateThread(nullptr, 0, WatchPulses, &watch, 0, nullptr);
    RecordTick(file, "ready");
    const DWORD start = GetTickCount();
    for (;;) {
        // The screen saver writes without a pulse when it could not open the
        // event: the slot is read after every poll too.
        const bool stopped = WaitForSingleObject(stop, kPollMs) == WAIT_OBJECT_0;
        EnterCriticalSection(&watch.lock);
        RecordMessages(file, mailbox.slot);
        LeaveCriticalSection(&watch.lock);
        if (stopped || GetTickCount() - start > lifetimeMs)
            break;
    }
    SetEvent(watch.done);
    if (watcher) {
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
    }
    CloseHandle(watch.done);
    DeleteCriticalSection(&watch.lock);
    RecordTick(file, "stopped");
    CloseHandle(stop);
    CloseCompanionMailbox(&mailbox);
    CloseHandle(file);
    return 0;
}

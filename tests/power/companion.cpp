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
    RecordTick(file, "ready");

    const DWORD start = GetTickCount();
    HANDLE waits[2] = {mailbox.event, stop};
    for (;;) {
        DWORD woken = WaitForMultipleObjects(2, waits, FALSE, kPollMs);
        // A pulse with nobody waiting is lost, so the slot is also read after
        // every timeout. Messages found on a pulse were written before it,
        // and are recorded first.
        RecordMessages(file, mailbox.slot);
        if (woken == WAIT_OBJECT_0)
            RecordTick(file, "pulse");
        if (woken == WAIT_OBJECT_0 + 1 || GetTickCount() - start > lifetimeMs)
            break;
    }
    RecordTick(file, "stopped");
    CloseHandle(stop);
    CloseCompanionMailbox(&mailbox);
    CloseHandle(file);
    return 0;
}

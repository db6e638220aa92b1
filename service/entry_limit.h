// How many of the log entries that datagrams cause are written. Every user may
// write into the mailbox, and an entry for each datagram (accepted, refused,
// waited for, held) would let anyone fill the Application log and push out the
// entries kept for audit. A pure record over tick counts handed in, so that a
// test walks the minutes.
#pragma once

#include <stdint.h>

// In each minute, counted from its first entry, this many entries are
// written; the datagrams whose entries are left out are only counted and
// summed up afterwards.
const uint32_t kDatagramEntriesPerMinute = 32;
const uint32_t kEntryMinuteMs = 60 * 1000;

struct EntryLimit {
    bool minuteRunning;
    uint32_t minuteStart;  // tick of the minute's first entry
    uint32_t entries;      // entries written in this minute
    uint64_t leftOut;      // datagrams left without entries in this minute: 64 bits never overflow here
};

enum EntryDecision {
    kEntryWrite,         // write it
    kEntryLeaveOut,      // leave it out (its datagram is counted with CountLeftOut)
    kEntrySummaryFirst,  // sum up the minute that is over, then write it
};

// One entry at tick now. With kEntrySummaryFirst, *summarised is the count the
// summary names.
EntryDecision LimitEntry(EntryLimit* limit, uint32_t now, uint64_t* summarised);

// Counts a datagram one of whose entries was left out, once per datagram;
// returns the minute's count so far.
uint64_t CountLeftOut(EntryLimit* limit);

// A wake-up without an entry: closes a minute that is over at now. True when
// a summary is due, with its count in *summarised (a minute in which nothing
// was left out needs none).
bool EntrySummaryDue(EntryLimit* limit, uint32_t now, uint64_t* summarised);

// Closes the running minute whether or not it is over (the service stops);
// returns how many datagrams of it were left without entries.
uint64_t EndEntryMinute(EntryLimit* limit);

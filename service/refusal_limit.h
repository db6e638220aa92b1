// How many refused datagrams get a log entry of their own. Every user may
// write into the mailbox, and one entry for each refusal would let anyone
// fill the Application log and push out the entries kept for audit. A pure
// record over tick counts handed in, so that a test walks the minutes.
#pragma once

#include <stdint.h>

// In each minute, counted from its first refusal, this many refusals are
// logged one by one; the rest are only counted and summed up afterwards.
const uint32_t kRefusalEntriesPerMinute = 32;
const uint32_t kRefusalMinuteMs = 60 * 1000;

struct RefusalLimit {
    bool minuteRunning;
    uint32_t minuteStart;  // tick of the minute's first refusal
    uint32_t entries;      // refusals logged one by one in this minute
    uint64_t unlogged;     // refusals only counted in this minute: 64 bits never overflow here
};

enum RefusalDecision {
    kRefusalLog,           // log it as always
    kRefusalCount,         // only count it
    kRefusalSummaryFirst,  // sum up the minute that is over, then log it
};

// One refusal at tick now. With kRefusalSummaryFirst, *summarised is the
// count the summary names.
RefusalDecision LimitRefusal(RefusalLimit* limit, uint32_t now, uint64_t* summarised);

// A wake-up without a datagram: closes a minute that is over at now. True
// when a summary is due, with its count in *summarised (a minute in which
// nothing was left out needs none).
bool RefusalSummaryDue(RefusalLimit* limit, uint32_t now, uint64_t* summarised);

// Closes the running minute whether or not it is over (the service stops);
// returns how many of its refusals were only counted.
uint64_t EndRefusalMinute(RefusalLimit* limit);

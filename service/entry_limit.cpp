#include "entry_limit.h"

EntryDecision LimitEntry(EntryLimit* limit, uint32_t now, uint64_t* summarised)
{
    const bool summaryFirst = EntrySummaryDue(limit, now, summarised);
    if (!limit->minuteRunning) {
        limit->minuteRunning = true;
        limit->minuteStart = now;
        limit->entries = 0;
        limit->leftOut = 0;
    }
    if (limit->entries < kDatagramEntriesPerMinute) {
        ++limit->entries;
        return summaryFirst ? kEntrySummaryFirst : kEntryWrite;
    }
    return kEntryLeaveOut;
}

uint64_t CountLeftOut(EntryLimit* limit)
{
    return ++limit->leftOut;
}

bool EntrySummaryDue(EntryLimit* limit, uint32_t now, uint64_t* summarised)
{
    // The difference of ticks stays right across the 49.7-day wrap of the
    // tick count; the service asks at least once a second, so a running
    // minute never grows old enough to wrap the difference itself.
    if (!limit->minuteRunning || now - limit->minuteStart < kEntryMinuteMs)
        return false;
    *summarised = EndEntryMinute(limit);
    return *summarised != 0;
}

uint64_t EndEntryMinute(EntryLimit* limit)
{
    if (!limit->minuteRunning)
        return 0;
    limit->minuteRunning = false;
    return limit->leftOut;
}

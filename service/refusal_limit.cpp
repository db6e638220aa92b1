#include "refusal_limit.h"

RefusalDecision LimitRefusal(RefusalLimit* limit, uint32_t now, uint64_t* summarised)
{
    const bool summaryFirst = RefusalSummaryDue(limit, now, summarised);
    if (!limit->minuteRunning) {
        limit->minuteRunning = true;
        limit->minuteStart = now;
        limit->entries = 0;
        limit->unlogged = 0;
    }
    if (limit->entries < kRefusalEntriesPerMinute) {
        ++limit->entries;
        return summaryFirst ? kRefusalSummaryFirst : kRefusalLog;
    }
    ++limit->unlogged;
    return kRefusalCount;
}

bool RefusalSummaryDue(RefusalLimit* limit, uint32_t now, uint64_t* summarised)
{
    // The difference of ticks stays right across the 49.7-day wrap of the
    // tick count; the service asks at least once a second, so a running
    // minute never grows old enough to wrap the difference itself.
    if (!limit->minuteRunning || now - limit->minuteStart < kRefusalMinuteMs)
        return false;
    *summarised = EndRefusalMinute(limit);
    return *summarised != 0;
}

uint64_t EndRefusalMinute(RefusalLimit* limit)
{
    if (!limit->minuteRunning)
        return 0;
    limit->minuteRunning = false;
    return limit->unlogged;
}

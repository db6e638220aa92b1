// The limit on the entries that datagrams cause, walked through the minutes by
// tick counts; here each datagram causes one entry.
#include "entry_limit.h"

#include <gtest/gtest.h>

namespace {

enum Event { kRefused, kWake, kStop };

TEST(EntryLimit, ThirtyTwoEntriesAMinuteThenCountedAndSummedUpOnce)
{
    // The minutes start shortly before the tick count wraps, across it.
    const uint32_t t0 = 0xFFFFFFFFu - 30000;
    const struct {
        const char* name;
        Event event;
        uint32_t at;  // ms after t0
        int times;
        EntryDecision decision;  // for a refusal
        uint64_t summarised;       // the summary's count; 0 for none
    } rows[] = {
        {"a minute's first 32 are logged", kRefused, 0, 32, kEntryWrite, 0},
        {"then counted", kRefused, 1000, 3, kEntryLeaveOut, 0},
        {"no summary while the minute runs", kWake, 59999, 1, kEntryWrite, 0},
        {"counted to its last millisecond", kRefused, 59999, 1, kEntryLeaveOut, 0},
        {"the next refusal sums up first", kRefused, 60000, 1, kEntrySummaryFirst, 4},
        {"it opened a new minute", kRefused, 60001, 31, kEntryWrite, 0},
        {"counted in the new minute", kRefused, 61000, 2, kEntryLeaveOut, 0},
        {"nothing due before its end", kWake, 119999, 1, kEntryWrite, 0},
        {"a wake-up sums up at its end", kWake, 120000, 1, kEntryWrite, 2},
        {"once only", kWake, 120001, 1, kEntryWrite, 0},
        {"a later refusal opens a minute", kRefused, 200000, 1, kEntryWrite, 0},
        {"none left out: no summary", kWake, 260000, 1, kEntryWrite, 0},
        {"and a full minute again", kRefused, 260000, 32, kEntryWrite, 0},
        {"counted before a stop", kRefused, 260500, 5, kEntryLeaveOut, 0},
        {"a stop sums up what was counted", kStop, 261000, 1, kEntryWrite, 5},
        {"and ends the minute", kStop, 261000, 1, kEntryWrite, 0},
        {"a refusal after that is logged", kRefused, 262000, 1, kEntryWrite, 0},
    };
    EntryLimit limit = {};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (int i = 0; i < row.times; ++i) {
            uint64_t summarised = 0;
            if (row.event == kRefused) {
                const EntryDecision decision = LimitEntry(&limit, t0 + row.at, &summarised);
                ASSERT_EQ(row.decision, decision) << i;
                if (decision == kEntryLeaveOut)
                    CountLeftOut(&limit);
            } else if (row.event == kWake) {
                ASSERT_EQ(row.summarised != 0, EntrySummaryDue(&limit, t0 + row.at, &summarised));
            } else {
                summarised = EndEntryMinute(&limit);
            }
            EXPECT_EQ(row.summarised, summarised);
        }
    }
}

}  // namespace

// The dialog's arithmetic, without a window.
#include "config_dialog.h"

#include <gtest/gtest.h>

TEST(DialogCountdown, SecondsToPickerTimeAndBackWithTheFloor)
{
    struct {
        int seconds;
        WORD hour, minute, second;
        int stored;  // what OK stores for that picker time
    } const kCases[] = {
        {3661, 1, 1, 1, 3661}, {900, 0, 15, 0, 900}, {0, 0, 0, 0, 15}, {14, 0, 0, 14, 15},
        {15, 0, 0, 15, 15},    {59, 0, 0, 59, 59},   {86399, 23, 59, 59, 86399},
    };
    for (const auto& c : kCases) {
        SYSTEMTIME time;
        CountdownToTime(c.seconds, &time);
        EXPECT_EQ(c.hour, time.wHour) << c.seconds;
        EXPECT_EQ(c.minute, time.wMinute) << c.seconds;
        EXPECT_EQ(c.second, time.wSecond) << c.seconds;
        EXPECT_EQ(c.stored, TimeToCountdown(time)) << c.seconds;
    }
}

TEST(DialogCountdown, AStoredCountdownThePickerCannotShowSurvivesAnUntouchedPicker)
{
    struct {
        int stored;
        WORD shownHour, shownMinute, shownSecond;  // where the dialog puts the picker
        WORD pickedHour, pickedMinute, pickedSecond;
        int afterOk;
    } const kCases[] = {
        {90000, 23, 59, 59, 23, 59, 59, 90000},        // untouched: kept
        {90000, 23, 59, 59, 1, 0, 0, 3600},            // changed: stored as picked
        {90000, 23, 59, 59, 0, 0, 5, 15},              // changed: with the floor
        {-30, 0, 0, 0, 0, 0, 0, -30},                  // untouched below the range
        {-30, 0, 0, 0, 0, 1, 0, 60},
        {86400, 23, 59, 59, 23, 59, 59, 86400},        // first value beyond the range
        {86399, 23, 59, 59, 23, 59, 59, 86399},        // in range: as before
        {5, 0, 0, 5, 0, 0, 5, 15},                     // in range: the floor as before
        {2147483647, 23, 59, 59, 23, 59, 59, 2147483647},
    };
    for (const auto& c : kCases) {
        SYSTEMTIME shown;
        CountdownToTime(c.stored, &shown);
        EXPECT_EQ(c.shownHour, shown.wHour) << c.stored;
        EXPECT_EQ(c.shownMinute, shown.wMinute) << c.stored;
        EXPECT_EQ(c.shownSecond, shown.wSecond) << c.stored;
        SYSTEMTIME picked = shown;
        picked.wHour = c.pickedHour;
        picked.wMinute = c.pickedMinute;
        picked.wSecond = c.pickedSecond;
        EXPECT_EQ(c.afterOk, CountdownAfterOk(c.stored, picked)) << c.stored;
    }
}

TEST(DialogLogo, HitIncludesEveryEdge)
{
    const RECT logo = {10, 20, 110, 60};  // left, top, left + width, top + height
    struct {
        int x, y;
        bool hit;
    } const kCases[] = {
        {10, 20, true}, {110, 60, true}, {110, 20, true}, {50, 40, true},
        {9, 40, false}, {111, 40, false}, {50, 19, false}, {50, 61, false},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.hit, LogoHit(logo, c.x, c.y)) << c.x << "," << c.y;
}

TEST(DialogCentring, CentresAndTruncatesTowardZero)
{
    struct {
        RECT window, parent;
        LONG x, y;
    } const kCases[] = {
        {{0, 0, 100, 50}, {0, 0, 301, 151}, 100, 50},
        {{500, 500, 600, 550}, {100, 100, 400, 300}, 200, 175},
        {{0, 0, 300, 200}, {-50, -50, 50, 50}, -150, -100},
        {{0, 0, 301, 201}, {0, 0, 100, 100}, -100, -50},  // -201/2 truncates to -100
    };
    for (const auto& c : kCases) {
        POINT p = CenteredPosition(c.window, c.parent);
        EXPECT_EQ(c.x, p.x);
        EXPECT_EQ(c.y, p.y);
    }
}

TEST(DialogSaveError, NamesTheFileAndTheSystemsReason)
{
    const wchar_t kPath[] = L"C:\\ProgramData\\Orvanta\\Dusklatch\\Dusklatch.ini";
    struct {
        const char* name;
        const wchar_t* path;
        DWORD error;
        const wchar_t* systemMessage;
        size_t capacity;
        const wchar_t* expected;
    } const kCases[] = {
        {"message loses its line breaks", kPath, 5, L"Access denied.\r\n", 512,
         L"The settings could not be saved to\nC:\\ProgramData\\Orvanta\\Dusklatch\\Dusklatch.ini\n\nAccess denied."},
        {"no message: the number", kPath, 4294967295u, L"", 512,
         L"The settings could not be saved to\nC:\\ProgramData\\Orvanta\\Dusklatch\\Dusklatch.ini\n\n"
         L"error 4294967295"},
        {"no path", L"", 3, L"Path not found.\r\n", 512, L"The settings could not be saved.\n\nPath not found."},
        {"cut to the capacity", kPath, 5, L"Access denied.", 11, L"The settin"},
    };
    for (const auto& c : kCases) {
        wchar_t text[513];  // one unit beyond the largest capacity, to catch overruns
        wmemset(text, L'#', 513);
        ComposeSaveErrorText(c.path, c.error, c.systemMessage, text, c.capacity);
        EXPECT_STREQ(c.expected, text) << c.name;
        EXPECT_EQ(L'#', text[c.capacity]) << c.name << ": wrote past its capacity";
    }
}

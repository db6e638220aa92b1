#include "status_block.h"
#include "status_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Row(void (*format)(BYTE, wchar_t*, size_t), BYTE value)
{
    wchar_t row[kRowCapacity];
    format(value, row, kRowCapacity);
    return row;
}

}  // namespace

TEST(CountdownRow, NamesActionAndSeconds)
{
    struct {
        int32_t type;
        int32_t remaining;
        const wchar_t* expected;
    } const kCases[] = {
        {1, 900, L"System shutdown in 900 seconds...  "},
        {0, 0, L"System no_action in 0 seconds...  "},
        {4, 1, L"System restart in 1 second....  "},
        {5, 2, L"System log off in 2 seconds...  "},
        {6, -3, L"System station lock in -3 seconds...  "},
        {7, 5, L"System unknown_action in 5 seconds...  "},
        {-1, 5, L"System unknown_action in 5 seconds...  "},
        {2, 536870911, L"System hibernation in 536870911 seconds...  "},
        {3, 10, L"System standby in 10 seconds...  "},
    };
    for (const auto& c : kCases) {
        wchar_t row[kRowCapacity];
        FormatCountdownRow(ActionName(c.type), c.remaining, row, kRowCapacity);
        EXPECT_EQ(std::wstring(c.expected), row) << "type " << c.type << " remaining " << c.remaining;
    }
}

// Row 1 while held: the hours' start, the program as written, the user as the
// platform spells it, "another user" for a name that cannot be read, or the
// error of a failed listing.
TEST(CountdownRow, HeldNamesTheHold)
{
    HoldRules rules = {};
    rules.hours = {true, 19 * 60 + 5, 7 * 60};
    rules.programs.count = 2;
    wcscpy(rules.programs.names[0], L"backup.exe");
    wcscpy(rules.programs.names[1], L"my OBS64.exe");
    struct {
        int32_t type;
        HoldKind kind;
        int program;
        const wchar_t* user;
        DWORD error;
        size_t capacity;
        const wchar_t* expected;
    } const kCases[] = {
        {1, kHeldByHours, -1, L"", 0, kRowCapacity, L"System shutdown held until 19:05"},
        {9, kHeldByHours, -1, L"", 0, kRowCapacity, L"System unknown_action held until 19:05"},
        {4, kHeldByProgram, 1, L"", 0, kRowCapacity, L"System restart held while my OBS64.exe runs"},
        {1, kHeldByOtherUser, -1, L"CONTOSO\\ana", 0, kRowCapacity,
         L"System shutdown held while CONTOSO\\ana is signed in"},
        {4, kHeldByOtherUser, -1, L"", 0, kRowCapacity, L"System restart held while another user is signed in"},
        {1, kHeldBySessionsUnknown, -1, L"", RPC_S_SERVER_UNAVAILABLE, kRowCapacity,
         L"System shutdown held while the signed-in users cannot be listed (error 1722)"},
        // A name that does not fit gives way; the row keeps its end.
        {4, kHeldByOtherUser, -1, L"abcdefghij", 0, 47, L"System restart held while abcdefg is signed in"},
    };
    for (const auto& c : kCases) {
        HoldVerdict hold = {};
        hold.kind = c.kind;
        hold.program = c.program;
        hold.users.error = c.error;
        wcscpy(hold.users.userName, c.user);
        wchar_t row[kRowCapacity];
        FormatHoldRow(ActionName(c.type), hold, rules, row, c.capacity);
        EXPECT_EQ(std::wstring(c.expected), row);
    }
}

TEST(StatusRow2, ErrorWinsOverWaitingAndWaitingNeedsZeroTaskAndPowerAction)
{
    struct {
        int32_t lastError;
        int32_t remaining;
        bool performTask;
        int32_t type;
        const wchar_t* expected;  // null: no row
    } const kCases[] = {
        {7, 0, true, 1, L"PowerDown() failed (error code 7)."},
        {4, 0, false, 4, L"PowerDown() failed (error code 4)."},
        {-2, 3, false, 1, L"PowerDown() failed (error code -2)."},
        {0, 0, true, 1, L"Waiting for task \"cmd /c x=1\" to complete..."},
        {0, 0, true, 0, L"Waiting for task \"cmd /c x=1\" to complete..."},
        {0, 0, true, -5, L"Waiting for task \"cmd /c x=1\" to complete..."},
        {0, 1, true, 1, nullptr},
        {0, 0, false, 1, nullptr},
        {0, 0, true, 5, nullptr},
        {0, 0, true, 6, nullptr},
        {0, 0, true, 9, nullptr},
    };
    for (const auto& c : kCases) {
        wchar_t row[kRowCapacity] = L"stale";
        bool shown = FormatStatusRow2(c.lastError, c.remaining, c.performTask, c.type, L"cmd /c x=1",
                                      row, kRowCapacity);
        EXPECT_EQ(c.expected != nullptr, shown) << "error " << c.lastError << " type " << c.type;
        if (c.expected)
            EXPECT_EQ(std::wstring(c.expected), row);
    }
}

TEST(StatusRow2, LongestTaskFitsTheRow)
{
    std::wstring task(259, L'x');
    wchar_t row[kRowCapacity];
    ASSERT_TRUE(FormatStatusRow2(0, 0, true, 1, task.c_str(), row, kRowCapacity));
    EXPECT_EQ(L"Waiting for task \"" + task + L"\" to complete...", std::wstring(row));
}

TEST(VersionText, KeepsTheFormatsBlanksAndSuffix)
{
    wchar_t text[260];
    FormatVersionText(6, 1, 7601, L"Service Pack 1", true, text, 260);
    EXPECT_EQ(std::wstring(L"Windows 6.1 build 7601 Service Pack 1  (64bit version)"), text);
    FormatVersionText(5, 0, 2195, L"Service Pack 4", false, text, 260);
    EXPECT_EQ(std::wstring(L"Windows 5.0 build 2195 Service Pack 4 "), text);
    FormatVersionText(5, 0, 2195, L"", false, text, 260);
    EXPECT_EQ(std::wstring(L"Windows 5.0 build 2195  "), text);
}

// The platform's own word on the processor, whatever this test's bitness
// (looked up by name at the headers' Windows 2000 level).
TEST(VersionText, NamesSixtyFourBitWindowsToA32BitAndA64BitProgram)
{
    typedef void(WINAPI * GetNativeSystemInfoEntry)(SYSTEM_INFO*);
    GetNativeSystemInfoEntry getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoEntry>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetNativeSystemInfo")));
    ASSERT_NE(nullptr, getNativeSystemInfo);
    SYSTEM_INFO native = {};
    getNativeSystemInfo(&native);
    CountdownState state;
    ResetCountdownState(state);
    BuildVersionText(state);
    const std::wstring text = state.versionText;
    EXPECT_EQ(native.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL,
              text.size() > 16 && text.substr(text.size() - 16) == L" (64bit version)")
        << std::string(text.begin(), text.end());
}

TEST(VersionRow, ShownFrom750PixelsOn)
{
    wchar_t row[kRowCapacity];
    EXPECT_FALSE(FormatVersionRow(L"Windows 6.1", 749, row, kRowCapacity));
    ASSERT_TRUE(FormatVersionRow(L"Windows 6.1", 750, row, kRowCapacity));
    EXPECT_EQ(std::wstring(L"Running on Windows 6.1"), row);
}

TEST(PowerRows, AcLineAndBatteryFlagTexts)
{
    EXPECT_EQ(L"AC power status: offline", Row(FormatAcLineRow, 0));
    EXPECT_EQ(L"AC power status: online", Row(FormatAcLineRow, 1));
    EXPECT_EQ(L"AC power status: ", Row(FormatAcLineRow, 2));
    EXPECT_EQ(L"AC power status: unknown", Row(FormatAcLineRow, 255));

    struct {
        BYTE flag;
        const wchar_t* expected;
    } const kFlags[] = {
        {1, L"Battery charge status: high                        "},
        {2, L"Battery charge status: low                         "},
        {4, L"Battery charge status: critical                    "},
        {9, L"Battery charge status: charging (level: high)      "},
        {10, L"Battery charge status: charging (level: low)       "},
        {12, L"Battery charge status: charging (level: critical)  "},
        {128, L"Battery charge status: no system battery"},
        {255, L"Battery charge status: unknown"},
        {0, L"Battery charge status: 0                           "},
        {8, L"Battery charge status: 8                           "},
        {3, L"Battery charge status: 3                           "},
    };
    for (const auto& c : kFlags)
        EXPECT_EQ(std::wstring(c.expected), Row(FormatBatteryFlagRow, c.flag)) << "flag " << int(c.flag);
}

TEST(PowerRows, PercentAndLifeTimes)
{
    EXPECT_EQ(L"Battery life percent: unknown", Row(FormatBatteryPercentRow, 255));
    EXPECT_EQ(L"Battery life percent: 57%  ", Row(FormatBatteryPercentRow, 57));
    EXPECT_EQ(L"Battery life percent: 0%  ", Row(FormatBatteryPercentRow, 0));

    struct {
        DWORD seconds;
        const wchar_t* remaining;
        const wchar_t* full;
    } const kTimes[] = {
        {3725, L"Battery life time remaining: 1 hr  02 min    ", L"Battery full life time: 1 hr  02 min    "},
        {59, L"Battery life time remaining: 0 hr  00 min    ", L"Battery full life time: 0 hr  00 min    "},
        {36000 + 59 * 60, L"Battery life time remaining: 10 hr  59 min    ",
         L"Battery full life time: 10 hr  59 min    "},
        {0xFFFFFFFEu, L"Battery life time remaining: 1193046 hr  28 min    ",
         L"Battery full life time: 1193046 hr  28 min    "},
        {0xFFFFFFFFu, L"Battery life time remaining: unknown", L"Battery full life time: unknown"},
    };
    for (const auto& c : kTimes) {
        wchar_t row[kRowCapacity];
        FormatBatteryLifeTimeRow(c.seconds, row, kRowCapacity);
        EXPECT_EQ(std::wstring(c.remaining), row);
        FormatBatteryFullLifeTimeRow(c.seconds, row, kRowCapacity);
        EXPECT_EQ(std::wstring(c.full), row);
    }
}

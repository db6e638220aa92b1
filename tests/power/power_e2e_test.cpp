// The real Dusklatch.scr /s, under Wine and Xvfb, with a settings file and the
// companion test double: what arrives on the wire, when, and what the screen
// shows when nothing can arrive. Only configurations that relay, or lock the
// station (harmless under Wine), are used: a direct log-off would end every
// windowed process of the prefix, this test's included.
#include "power_test_support.h"
#include "saver_settings.h"
#include "status_rows.h"
#include "user_sessions.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wchar.h>

namespace {

const wchar_t kSaverClass[] = L"WindowsScreenSaverClass";
const wchar_t kSaverTitle[] = L"Screen Saver";

struct RowPixels {
    int lit = 0;           // pixels that are not black
    int rightmost = -1;    // x of the rightmost of them
    std::vector<DWORD> colours;  // the row's pixels as 0xRRGGBB, top-down
};

// A screen-wide picture one text row high, and a device context drawing into it.
struct RowCanvas {
    explicit RowCanvas(int rowPitch) : width(GetSystemMetrics(SM_CXSCREEN)), height(rowPitch)
    {
        screen = GetDC(nullptr);
        memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -rowPitch;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(memory, bitmap);
    }
    ~RowCanvas()
    {
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    RowCanvas(const RowCanvas&) = delete;
    RowCanvas& operator=(const RowCanvas&) = delete;

    RowPixels Pixels() const
    {
        GdiFlush();
        RowPixels pixels;
        const DWORD* pixel = static_cast<const DWORD*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                pixels.colours.push_back(pixel[y * width + x] & 0xFFFFFF);
                if (pixels.colours.back()) {
                    ++pixels.lit;
                    if (x > pixels.rightmost)
                        pixels.rightmost = x;
                }
            }
        return pixels;
    }

    int width;
    int height;
    HDC screen = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;
};

// Reads one text row of the screen; the saver covers the whole screen.
RowPixels CaptureRow(int row, int rowPitch)
{
    RowCanvas canvas(rowPitch);
    BitBlt(canvas.memory, 0, 0, canvas.width, rowPitch, canvas.screen, 0, row * rowPitch, SRCCOPY);
    return canvas.Pixels();
}

// A row as a countdown row is drawn: white on opaque black in the default font
// at the left edge, with black beyond the text.
RowPixels DrawnRow(const std::wstring& text, int rowPitch)
{
    RowCanvas canvas(rowPitch);
    SetTextColor(canvas.memory, RGB(0xFF, 0xFF, 0xFF));
    SetBkColor(canvas.memory, RGB(0, 0, 0));
    TextOutW(canvas.memory, 0, 0, text.c_str(), static_cast<int>(text.size()));
    return canvas.Pixels();
}

// Width of a text in a device context's default font, the one the saver draws with.
SIZE DefaultFontExtent(const wchar_t* text)
{
    HDC screen = GetDC(nullptr);
    SIZE extent = {0, 0};
    GetTextExtentPoint32W(screen, text, static_cast<int>(wcslen(text)), &extent);
    ReleaseDC(nullptr, screen);
    return extent;
}

// Whether the screen's row shows exactly this text and nothing else.
testing::AssertionResult RowShows(int row, const std::wstring& text)
{
    const int rowPitch = DefaultFontExtent(L"Dusklatch").cy;
    const RowPixels screen = CaptureRow(row, rowPitch);
    const RowPixels expected = DrawnRow(text, rowPitch);
    if (screen.colours == expected.colours)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "row " << row << " is not \"" << text << "\": " << screen.lit << " lit pixels up to x " << screen.rightmost << ", expected "
           << expected.lit << " up to x " << expected.rightmost;
}

// "HH:MM" the given minutes from now, in the local time the saver reads too.
std::wstring ClockFromNow(int minutes)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    const int minuteOfDay = ((now.wHour * 60 + now.wMinute + minutes) % 1440 + 1440) % 1440;
    wchar_t text[8];
    swprintf(text, 8, L"%02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
    return text;
}

// Hours that begin or end six hours from now, so that no test runs across
// their boundary.
std::wstring HoursExcludingNow()
{
    return ClockFromNow(6 * 60) + L"-" + ClockFromNow(-6 * 60);
}

std::wstring HoursIncludingNow()
{
    return ClockFromNow(-6 * 60) + L"-" + ClockFromNow(6 * 60);
}

class SaverOnTheWire : public testing::Test {
protected:
    void TearDown() override
    {
        EndSaver();
        StopCompanion(&companion_);
        RemoveSettingsFile();
        RemovePolicyKey();
    }

    void Configure(int action, bool force, int countdown, bool performTask, const std::wstring& taskJob,
                   const std::vector<std::wstring>& moreLines = {})
    {
        ASSERT_TRUE(WriteSaverSettings(action, force, countdown, performTask, taskJob, moreLines));
    }

    void StartSaver()
    {
        ASSERT_EQ(nullptr, FindWindowW(kSaverClass, kSaverTitle)) << "a saver is still running";
        ASSERT_TRUE(StartFullScreenSaver(&saver_));
    }

    bool SaverRunning() const
    {
        return saver_.process.hProcess &&
               WaitForSingleObject(saver_.process.hProcess, 0) == WAIT_TIMEOUT;
    }

    // Waits until the given time after the saver's window appeared.
    void WaitUntilShownFor(DWORD milliseconds) const
    {
        DWORD elapsed = GetTickCount() - saver_.shownAt;
        if (elapsed < milliseconds)
            Sleep(milliseconds - elapsed);
    }

    void EndSaver() { EndFullScreenSaver(&saver_); }

    // One countdown that relays: the companion listens, the saver runs until
    // the service event is pulsed, and what arrived on the wire is returned.
    std::vector<CompanionRecord> RelayOnce(const wchar_t* recordName)
    {
        std::vector<CompanionRecord> none;
        if (!StartCompanion(&companion_, recordName))
            return none;
        StartSaver();
        const bool pulsed = WaitForPulse(companion_, 10000);
        EndSaver();
        EXPECT_TRUE(pulsed) << "no pulse";
        return WireRecords(companion_.recordFile);
    }

    SaverRun saver_;
    CompanionProcess companion_;
};

std::wstring Describe(const std::vector<CompanionRecord>& records)
{
    std::wstring text;
    for (const CompanionRecord& record : records)
        text += std::wstring(record.kind.begin(), record.kind.end()) + L" " +
                Utf16Text(record.bytes) + L"\n";
    return text;
}

TEST_F(SaverOnTheWire, TaskIdThenNoActionThenOnePulse)
{
    const std::wstring pidFile = ScratchPath(L"e2e-task.pid");
    Configure(0, false, 0, true, TaskProbeCommand(pidFile, 60));
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-task.records"));
    StartSaver();
    ASSERT_TRUE(WaitForPulse(companion_, 10000));
    EndSaver();

    const DWORD taskPid = WaitForTaskPid(pidFile, 5000);
    ASSERT_NE(0u, taskPid);
    const auto wire = WireRecords(companion_.recordFile);
    ASSERT_EQ(3u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ("message", wire[0].kind);
    EXPECT_EQ(WireBytes(L"WaitFor:" + std::to_wstring(taskPid) + L";true;"), wire[0].bytes)
        << Utf16Text(wire[0].bytes).c_str();
    EXPECT_EQ("message", wire[1].kind);
    EXPECT_EQ(WireBytes(L"NoAction;false;"), wire[1].bytes) << Utf16Text(wire[1].bytes).c_str();
    EXPECT_EQ("pulse", wire[2].kind);

    // The saver has ended; the task it started has not.
    EXPECT_TRUE(ProcessIsRunning(taskPid));
    EndProcessById(taskPid);
}

TEST_F(SaverOnTheWire, EmptyTaskJobSendsOnlyTheAction)
{
    Configure(1, true, 0, true, L"");
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-empty.records"));
    StartSaver();
    ASSERT_TRUE(WaitForPulse(companion_, 10000));
    EndSaver();

    const auto wire = WireRecords(companion_.recordFile);
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
    EXPECT_EQ("pulse", wire[1].kind);
}

TEST_F(SaverOnTheWire, LockWithTaskSendsNothingAndStartsNothing)
{
    const std::wstring pidFile = ScratchPath(L"e2e-lock.pid");
    Configure(6, true, 0, true, TaskProbeCommand(pidFile, 0));
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-lock.records"));
    StartSaver();
    // The action is due one second after the window appears.
    WaitUntilShownFor(2500);
    EXPECT_TRUE(SaverRunning());

    const int rowPitch = DefaultFontExtent(L"Dusklatch").cy;
    EXPECT_GT(CaptureRow(1, rowPitch).lit, 0) << "the countdown row should be on screen";
    EXPECT_EQ(0, CaptureRow(2, rowPitch).lit) << "no error and no waiting row";
    EndSaver();

    EXPECT_TRUE(WireRecords(companion_.recordFile).empty())
        << Describe(WireRecords(companion_.recordFile)).c_str();
    EXPECT_EQ(0u, WaitForTaskPid(pidFile, 0));
}

TEST_F(SaverOnTheWire, ActionArrivesOnceAfterCountdownPlusOneSecond)
{
    const int countdown = 2;
    Configure(3, false, countdown, true, L"");
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-timing.records"));
    StartSaver();
    ASSERT_TRUE(WaitForPulse(companion_, 10000));
    // Three more ticks with nothing to do.
    WaitUntilShownFor((countdown + 1) * 1000 + 3500);
    EXPECT_TRUE(SaverRunning());
    const DWORD shownAt = saver_.shownAt;
    EndSaver();

    const auto wire = WireRecords(companion_.recordFile);
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Standby;false;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
    EXPECT_EQ("pulse", wire[1].kind);
    const long arrival = static_cast<long>(wire[0].tick - shownAt);
    printf("action message %ld ms after the saver window appeared (countdown %d)\n", arrival, countdown);
    EXPECT_GE(arrival, (countdown + 1) * 1000 - 300);
    EXPECT_LE(arrival, (countdown + 1) * 1000 + 700);
}

TEST_F(SaverOnTheWire, WithoutTheServiceTheSaverShowsErrorSevenOnce)
{
    Configure(1, true, 0, true, L"");
    StartSaver();
    WaitUntilShownFor(2000);
    EXPECT_TRUE(SaverRunning());

    wchar_t expected[kRowCapacity];
    ASSERT_TRUE(FormatStatusRow2(7, 0, true, 1, L"", expected, kRowCapacity));
    EXPECT_STREQ(L"PowerDown() failed (error code 7).", expected);
    const int rowPitch = DefaultFontExtent(L"Dusklatch").cy;
    RowPixels row2 = CaptureRow(2, rowPitch);
    EXPECT_GT(row2.lit, 0) << "the error row should be on screen";
    // The lit part ends where that text ends, not where the waiting row would.
    const int width = DefaultFontExtent(expected).cx;
    EXPECT_LE(row2.rightmost, width);
    EXPECT_GE(row2.rightmost, width - 12);

    // A service that appears now hears nothing: there is no second attempt.
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-late.records"));
    Sleep(2500);
    EXPECT_TRUE(SaverRunning());
    EndSaver();
    EXPECT_TRUE(WireRecords(companion_.recordFile).empty())
        << Describe(WireRecords(companion_.recordFile)).c_str();
}

// ctest runs these once more as SYSTEM, the account of the logon desktop.
// Under Wine every file belongs to an ordinary user, so the settings file is
// one the logon desktop must not take a command from.
TEST_F(SaverOnTheWire, ServiceAccountTakesNoTaskFromAUserOwnedFile)
{
    if (!CurrentUserIsServiceAccount())
        GTEST_SKIP() << "runs as a service account only";
    const std::wstring pidFile = ScratchPath(L"e2e-logon.pid");
    Configure(1, true, 0, true, TaskProbeCommand(pidFile, 0));
    const auto wire = RelayOnce(L"e2e-logon.records");
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
    EXPECT_EQ("pulse", wire[1].kind);
    EXPECT_EQ(0u, WaitForTaskPid(pidFile, 1000)) << "the task must not have started";
}

// The file says a forced standby; policy says an unforced restart.
TEST_F(SaverOnTheWire, PolicyActionOverridesTheFile)
{
    Configure(3, true, 0, true, L"");
    ASSERT_TRUE(AddPolicyValue(L"", L"shutdown_type", L"REG_DWORD", L"4"));
    ASSERT_TRUE(AddPolicyValue(L"", L"force", L"REG_DWORD", L"0"));
    const auto wire = RelayOnce(L"e2e-policy.records");
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Reboot;false;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
}

// As SYSTEM, a task from policy needs no protected file: the policy key is
// writable by administrators only. Its variables are expanded in the saver's
// environment, which it inherits from this test.
TEST_F(SaverOnTheWire, ServiceAccountRunsATaskFromPolicy)
{
    if (!CurrentUserIsServiceAccount())
        GTEST_SKIP() << "runs as a service account only";
    const std::wstring pidFile = ScratchPath(L"e2e-policy-task.pid");
    Configure(1, true, 0, true, L"cmd /c exit");
    ASSERT_TRUE(SetEnvironmentVariableW(L"DUSKLATCH_TEST_BIN", ModuleFolder().c_str()));
    ASSERT_TRUE(AddPolicyValue(L"", L"task_job", L"REG_EXPAND_SZ",
                               L"\"%DUSKLATCH_TEST_BIN%\\task_probe.exe\" \"" + pidFile + L"\" 0"));
    const auto wire = RelayOnce(L"e2e-policy-task.records");

    const DWORD taskPid = WaitForTaskPid(pidFile, 5000);
    ASSERT_NE(0u, taskPid);
    ASSERT_EQ(3u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"WaitFor:" + std::to_wstring(taskPid) + L";true;"), wire[0].bytes);
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[1].bytes);
}

TEST_F(SaverOnTheWire, HoldOutsideTheActionHoursSendsNothing)
{
    const int countdown = 2;
    const std::wstring hours = HoursExcludingNow();
    Configure(1, true, countdown, true, L"", {L"action_hours=" + hours});
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-hours.records"));
    StartSaver();
    WaitUntilShownFor((countdown + 2) * 1000);
    EXPECT_TRUE(SaverRunning());
    EXPECT_TRUE(RowShows(1, L"System shutdown held until " + hours.substr(0, 5)));
    EndSaver();
    EXPECT_TRUE(WireRecords(companion_.recordFile).empty())
        << Describe(WireRecords(companion_.recordFile)).c_str();
}

// The saver looks for the programs again on its 15th tick; from then on it
// counts the whole countdown before it acts.
TEST_F(SaverOnTheWire, HoldWhileAListedProgramRunsThenTheWholeCountdown)
{
    const int countdown = 3;
    const std::wstring pidFile = ScratchPath(L"e2e-exempt.pid");
    PROCESS_INFORMATION probe = {};
    ASSERT_TRUE(StartProcess(TaskProbeCommand(pidFile, 6), &probe));
    ASSERT_NE(0u, WaitForTaskPid(pidFile, 5000));
    Configure(1, true, countdown, true, L"",
              {L"exempt_programs=backup.exe; TASK_PROBE.EXE ;obs64.exe"});
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-exempt.records"));
    StartSaver();
    WaitUntilShownFor(2500);
    EXPECT_TRUE(RowShows(1, L"System shutdown held while TASK_PROBE.EXE runs"));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(probe.hProcess, 10000));
    EndProcess(&probe);
    ASSERT_TRUE(WaitForPulse(companion_, 30000));
    const DWORD shownAt = saver_.shownAt;
    EndSaver();

    const auto wire = WireRecords(companion_.recordFile);
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
    const long arrival = static_cast<long>(wire[0].tick - shownAt);
    printf("action message %ld ms after the saver window appeared\n", arrival);
    EXPECT_GE(arrival, (15 + countdown + 1) * 1000 - 300);
    EXPECT_LE(arrival, (15 + countdown + 1) * 1000 + 700);
}

// Another user's session, handed in through the terminal-services stand-in:
// held while it is listed; the look at the 15th tick finds the list empty, and
// the whole countdown follows.
TEST_F(SaverOnTheWire, HoldWhileAnotherUserIsSignedInThenTheWholeCountdown)
{
    const std::wstring folder = BinPath(L"sessions-standin");
    const std::wstring saverCopy = folder + L"\\Dusklatch.scr";
    const std::wstring sessions = folder + L"\\sessions.txt";
    ASSERT_TRUE(CopyFileW(BinPath(L"Dusklatch.scr").c_str(), saverCopy.c_str(), FALSE));
    const std::string line = "77 " + std::to_string(WTSActive) + " ana\n";
    ASSERT_TRUE(WriteFileBytes(sessions, std::vector<unsigned char>(line.begin(), line.end())));
    PreferLocalLibrary(L"Dusklatch.scr", L"wtsapi32", true);
    const int countdown = 2;
    Configure(1, true, countdown, true, L"");
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-other-user.records"));
    ASSERT_TRUE(StartFullScreenSaver(&saver_, saverCopy));
    WaitUntilShownFor((countdown + 2) * 1000);
    EXPECT_TRUE(RowShows(1, L"System shutdown held while ana is signed in"));
    EXPECT_TRUE(WireRecords(companion_.recordFile).empty()) << Describe(WireRecords(companion_.recordFile)).c_str();
    ASSERT_TRUE(DeleteFileW(sessions.c_str()));
    ASSERT_TRUE(WaitForPulse(companion_, 30000));
    const DWORD shownAt = saver_.shownAt;
    EndSaver();
    PreferLocalLibrary(L"Dusklatch.scr", L"wtsapi32", false);
    DeleteFileW(saverCopy.c_str());

    const auto wire = WireRecords(companion_.recordFile);
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
    const long arrival = static_cast<long>(wire[0].tick - shownAt);
    EXPECT_GE(arrival, (15 + countdown + 1) * 1000 - 300);
    EXPECT_LE(arrival, (15 + countdown + 1) * 1000 + 700);
}

// The file's hours exclude the present time, policy's include it.
TEST_F(SaverOnTheWire, HoldPolicyActionHoursOverrideTheFile)
{
    Configure(1, true, 0, true, L"", {L"action_hours=" + HoursExcludingNow()});
    ASSERT_TRUE(AddPolicyValue(L"", L"action_hours", L"REG_SZ", HoursIncludingNow()));
    const auto wire = RelayOnce(L"e2e-policy-hours.records");
    ASSERT_EQ(2u, wire.size()) << Describe(wire).c_str();
    EXPECT_EQ(WireBytes(L"Shutdown;true;"), wire[0].bytes) << Utf16Text(wire[0].bytes).c_str();
}

// A preview counts from 536870911, so even a countdown of 0 never reaches the action.
TEST_F(SaverOnTheWire, PreviewNeverActs)
{
    Configure(0, false, 0, true, L"");
    ASSERT_TRUE(StartCompanion(&companion_, L"e2e-preview.records"));
    HWND parent = CreatePreviewHost();
    ASSERT_TRUE(parent != nullptr);
    ASSERT_TRUE(StartProcess(L"\"" + BinPath(L"Dusklatch.scr") + L"\" /p " +
                                 std::to_wstring(reinterpret_cast<ULONG_PTR>(parent)),
                             &saver_.process));
    HWND child = nullptr;
    for (int i = 0; i < 40; ++i) {  // four seconds: the action would be due after one
        PumpMessages(100);
        if (!child)
            child = FindWindowExW(parent, nullptr, kSaverClass, L"Preview");
    }
    EXPECT_TRUE(child != nullptr);
    EXPECT_TRUE(SaverRunning());
    DestroyWindow(parent);
    EndProcess(&saver_.process);
    EXPECT_TRUE(WireRecords(companion_.recordFile).empty())
        << Describe(WireRecords(companion_.recordFile)).c_str();
}

}  // namespace

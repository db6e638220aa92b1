// The real Dusklatch.scr /s, under Wine and Xvfb, with a settings file and the
// companion test double: what arrives on the wire, when, and what the screen
// shows when nothing can arrive. Only configurations that relay, or lock the
// station (harmless under Wine), are used: a direct log-off would end every
// windowed process of the prefix, this test's included.
#include "power_test_support.h"
#include "saver_settings.h"
#include "status_rows.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const wchar_t kSaverClass[] = L"WindowsScreenSaverClass";
const wchar_t kSaverTitle[] = L"Screen Saver";

struct RowPixels {
    int lit = 0;           // pixels that are not black
    int rightmost = -1;    // x of the rightmost of them
};

// Reads one text row of the screen; the saver covers the whole screen.
RowPixels CaptureRow(int row, int rowPitch)
{
    RowPixels pixels;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -rowPitch;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, rowPitch, screen, 0, row * rowPitch, SRCCOPY);
    GdiFlush();
    const DWORD* pixel = static_cast<const DWORD*>(bits);
    for (int y = 0; y < rowPitch; ++y)
        for (int x = 0; x < width; ++x)
            if (pixel[y * width + x] & 0xFFFFFF) {
                ++pixels.lit;
                if (x > pixels.rightmost)
                    pixels.rightmost = x;
            }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
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

class SaverOnTheWire : public testing::Test {
protected:
    void TearDown() override
    {
        EndSaver();
        StopCompanion(&companion_);
        RemoveSettingsFile();
        RemovePolicyKey();
    }

    void Configure(int action, bool force, int countdown, bool performTask, const std::wstring& taskJob)
    {
        ASSERT_TRUE(WriteSaverSettings(action, force, countdown, performTask, taskJob));
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

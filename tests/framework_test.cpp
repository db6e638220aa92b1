// The real Dusklatch.scr under Wine and Xvfb: windows, single instance, input
// rules and exit codes of the framework's modes.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kClass[] = L"WindowsScreenSaverClass";
const wchar_t kTitle[] = L"Screen Saver";

std::wstring Saver(const wchar_t* arguments)
{
    return L"\"" + BinPath(L"Dusklatch.scr") + L"\" " + arguments;
}

bool StillRunning(const PROCESS_INFORMATION& info, DWORD waitMs)
{
    return WaitForSingleObject(info.hProcess, waitMs) == WAIT_TIMEOUT;
}

// A settings file that never acts: the countdown is long and the action is none.
void WriteSafeSettings()
{
    WriteSettingsLines({L"[Dusklatch]", L"shutdown_type=0", L"countdown=600", L"perform_task=false"});
}

class FullScreenSaver : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteSafeSettings();
        SetCursorPos(300, 300);
        ASSERT_TRUE(StartProcess(Saver(L"/s"), &info_));
        window_ = WaitForWindow(kClass, kTitle, 10000);
        ASSERT_NE(nullptr, window_);
        // Let the start-up settle: Wine sends one mouse move with the cursor unchanged.
        Sleep(700);
        ASSERT_TRUE(StillRunning(info_, 0)) << "the saver ended on its own";
    }
    void TearDown() override
    {
        if (info_.hProcess && StillRunning(info_, 0))
            PostMessageW(window_, WM_CLOSE, 0, 0);
        EndProcess(&info_);
        RemoveSettingsFile();
    }
    DWORD ExitCode()
    {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

    PROCESS_INFORMATION info_ = {};
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(FullScreenSaver, IsATopmostBlackPopupCoveringTheScreen)
{
    LONG style = GetWindowLongW(window_, GWL_STYLE);
    LONG exStyle = GetWindowLongW(window_, GWL_EXSTYLE);
    const LONG wanted = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(wanted, style & (wanted | WS_CAPTION | WS_CHILD | WS_BORDER | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    RECT rect;
    GetWindowRect(window_, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), rect.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), rect.bottom);

    HDC screen = GetDC(nullptr);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(screen, rect.right - 2, rect.bottom - 2)) << "black background";
    ReleaseDC(nullptr, screen);
}

TEST_F(FullScreenSaver, SecondInstanceLeavesTheFirstRunning)
{
    ProcessResult second = RunProcess(Saver(L"/s"), 10000);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(0u, second.exitCode);
    EXPECT_TRUE(StillRunning(info_, 300));
    EXPECT_EQ(window_, FindWindowW(kClass, kTitle));
}

TEST_F(FullScreenSaver, SmallMouseMovesAreToleratedAndLargerOnesEndIt)
{
    SetCursorPos(302, 302);  // |dx| + |dy| = 4
    EXPECT_TRUE(StillRunning(info_, 800));
    SetCursorPos(303, 298);  // 3 + 2 = 5 from where the saver started
    EXPECT_FALSE(StillRunning(info_, 5000));
    EXPECT_EQ(0u, ExitCode());
}

TEST_F(FullScreenSaver, KeyPressEndsIt)
{
    INPUT key[2] = {};
    key[0].type = INPUT_KEYBOARD;
    key[0].ki.wVk = VK_SHIFT;
    key[1] = key[0];
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SetForegroundWindow(window_);
    SendInput(2, key, sizeof(INPUT));
    EXPECT_FALSE(StillRunning(info_, 5000));
}

TEST_F(FullScreenSaver, MouseButtonEndsIt)
{
    PostMessageW(window_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 300));
    EXPECT_FALSE(StillRunning(info_, 5000));
}

TEST_F(FullScreenSaver, PowerMessagesEndIt)
{
    PostMessageW(window_, WM_POWER, 2, 0);  // not a critical resume: ignored
    EXPECT_TRUE(StillRunning(info_, 500));
    PostMessageW(window_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(StillRunning(info_, 5000));
}

TEST_F(FullScreenSaver, DeactivationEndsItAndTitleCannotBeChanged)
{
    SendMessageW(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed"));
    wchar_t title[64] = {};
    GetWindowTextW(window_, title, 64);
    EXPECT_STREQ(kTitle, title);
    PostMessageW(window_, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(StillRunning(info_, 5000));
}

TEST(PreviewSaver, FillsTheParentAndIgnoresInput)
{
    WriteSafeSettings();
    HWND parent = CreatePreviewHost();
    ASSERT_NE(nullptr, parent);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(StartProcess(Saver((L"/p " + std::to_wstring(reinterpret_cast<ULONG_PTR>(parent))).c_str()), &info));
    // The child is found as soon as it exists; it becomes visible once its creation has finished.
    HWND child = nullptr;
    for (int i = 0; i < 200 && !(child && IsWindowVisible(child)); ++i) {
        PumpMessages(50);
        child = FindWindowExW(parent, nullptr, kClass, L"Preview");
    }
    ASSERT_NE(nullptr, child);
    PumpMessages(300);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, style & (WS_CHILD | WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
    RECT parentClient, childRect;
    GetClientRect(parent, &parentClient);
    GetClientRect(child, &childRect);
    EXPECT_EQ(parentClient.right, childRect.right);
    EXPECT_EQ(parentClient.bottom, childRect.bottom);

    PostMessageW(child, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageW(child, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    PostMessageW(child, WM_ACTIVATEAPP, FALSE, 0);
    PumpMessages(800);
    EXPECT_TRUE(StillRunning(info, 0));
    EXPECT_TRUE(IsWindow(child));

    DestroyWindow(parent);  // takes the child, and so the preview process, with it
    EXPECT_FALSE(StillRunning(info, 5000));
    EndProcess(&info);
    RemoveSettingsFile();
}

TEST(SaverExitCodes, InvalidModesAndHandlesEndWithMinusOne)
{
    const wchar_t* const kArguments[] = {L"/p 0", L"/p", L"/p 12345678", L"/l abc", L"/a 5", L"/x", L"-?"};
    for (const wchar_t* arguments : kArguments) {
        ProcessResult result = RunProcess(Saver(arguments), 15000);
        ASSERT_TRUE(result.finished) << arguments;
        EXPECT_EQ(0xFFFFFFFFu, result.exitCode) << arguments;
    }
    EXPECT_EQ(nullptr, FindWindowW(kClass, nullptr));
}

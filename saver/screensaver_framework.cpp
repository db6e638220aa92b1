// The framework side of the screen saver: windows, message loop and the input
// rules. Written here rather than linked from the SDK's screen-saver library,
// whose MinGW build is empty and whose rules differ from what we promise.
#include "screensaver_framework.h"

#include <commctrl.h>
#include <stdlib.h>

const wchar_t kSaverClassName[] = L"WindowsScreenSaverClass";
const wchar_t kSaverWindowTitle[] = L"Screen Saver";
const wchar_t kPreviewWindowTitle[] = L"Preview";

namespace {

const int kExitInvalid = -1;

struct FrameworkState {
    HINSTANCE instance;
    HWND window;
    bool preview;
    bool closing;
    POINT mouseReference;
};

FrameworkState g_framework = {nullptr, nullptr, false, false, {0, 0}};

void CloseSaver(HWND window)
{
    if (g_framework.closing)
        return;
    g_framework.closing = true;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// Wraps the program's procedure with what the framework owns: the quit
// message, the pause before each tick, and silence once closing has begun.
LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        if (g_framework.closing) {
            ValidateRect(window, nullptr);
            return 0;
        }
        break;
    case WM_TIMER:
        if (g_framework.closing)
            return 0;
        Sleep(0);
        break;
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

bool RegisterSaverClass(HINSTANCE instance, HCURSOR cursor)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS | CS_DBLCLKS;
    windowClass.lpfnWndProc = FrameworkWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverClassName;
    return RegisterClassW(&windowClass) != 0;
}

int RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunFullScreen(HINSTANCE instance)
{
    HWND existing = FindWindowW(kSaverClassName, kSaverWindowTitle);
    if (existing) {
        SetForegroundWindow(existing);
        return 0;
    }
    // The full-screen saver hides the cursor: its class has none.
    if (!RegisterSaverClass(instance, nullptr))
        return kExitInvalid;

    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HDC desktop = GetDC(nullptr);
    if (desktop) {
        GetClipBox(desktop, &screen);
        ReleaseDC(nullptr, desktop);
    }
    GetCursorPos(&g_framework.mouseReference);
    ShowCursor(FALSE);
    g_framework.preview = false;
    g_framework.window = CreateWindowExW(
        WS_EX_TOPMOST, kSaverClassName, kSaverWindowTitle,
        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, screen.left, screen.top,
        screen.right - screen.left, screen.bottom - screen.top, nullptr, nullptr, instance, nullptr);
    if (!g_framework.window)
        return kExitInvalid;
    SetForegroundWindow(g_framework.window);
    return RunMessageLoop();
}

int RunPreview(HINSTANCE instance, HWND parent)
{
    if (!parent || !IsWindow(parent))
        return kExitInvalid;
    if (!RegisterSaverClass(instance, LoadCursorW(nullptr, IDC_ARROW)))
        return kExitInvalid;
    RECT client;
    GetClientRect(parent, &client);
    g_framework.preview = true;
    g_framework.window = CreateWindowExW(0, kSaverClassName, kPreviewWindowTitle,
                                         WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                                         client.bottom, parent, nullptr, instance, nullptr);
    if (!g_framework.window)
        return kExitInvalid;
    return RunMessageLoop();
}

int RunConfigure(HINSTANCE instance, const SaverCommand& command, const ScreenSaverDialog& dialog)
{
    HWND owner = nullptr;
    if (command.hasOption) {
        owner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(command.window));
        if (!command.hasWindow || !IsWindow(owner))
            owner = GetForegroundWindow();
    }
    // The dialog's date-time picker and tooltips come from the common controls.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_DATE_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!dialog.registerDialogClasses(instance))
        return 0;
    // The dialog procedure returns BOOL, as screen savers' always have; the
    // system reads the result of a dialog procedure no wider than that.
    DLGPROC procedure = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(dialog.configureDialog));
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(dialog.templateId), owner, procedure, 0));
}

}  // namespace

bool MouseMovedPastThreshold(POINT reference, POINT now)
{
    long dx = labs(static_cast<long>(now.x) - reference.x);
    long dy = labs(static_cast<long>(now.y) - reference.y);
    return dx + dy > 4;
}

LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_framework.preview) {
        switch (message) {
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return TRUE;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            CloseSaver(window);
            break;
        case WM_MOUSEMOVE: {
            // Measured in screen coordinates from the message's own position.
            POINT now = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &now);
            if (MouseMovedPastThreshold(g_framework.mouseReference, now)) {
                g_framework.mouseReference = now;
                CloseSaver(window);
            }
            break;
        }
        case WM_ACTIVATEAPP:
            if (wParam == FALSE)
                CloseSaver(window);
            break;
        case WM_POWERBROADCAST:
            CloseSaver(window);
            break;
        case WM_POWER:
            if (wParam == 3)  // PWR_CRITICALRESUME
                CloseSaver(window);
            break;
        case WM_SYSCOMMAND:
            // The low four bits of a system command are the system's own.
            switch (wParam & 0xFFF0) {
            case SC_SCREENSAVE:
            case SC_NEXTWINDOW:
            case SC_PREVWINDOW:
                return FALSE;
            }
            break;
        }
    }
    if (message == WM_SETTEXT)
        return FALSE;
    return DefWindowProcW(window, message, wParam, lParam);
}

int RunScreenSaver(HINSTANCE instance, const wchar_t* commandLine, const ScreenSaverDialog& dialog)
{
    // A fresh start also for a second run in one process (the tests make several).
    const FrameworkState fresh = {instance, nullptr, false, false, {0, 0}};
    g_framework = fresh;
    SaverCommand command = ParseSaverCommandLine(SkipProgramName(commandLine));
    switch (command.mode) {
    case SaverModeFullScreen:
        return RunFullScreen(instance);
    case SaverModePreview:
        return RunPreview(instance, command.hasWindow
                                        ? reinterpret_cast<HWND>(static_cast<ULONG_PTR>(command.window))
                                        : nullptr);
    case SaverModeConfigure:
        return RunConfigure(instance, command, dialog);
    case SaverModePassword:
        // Password change belongs to the Windows 9x family only.
        if (GetVersion() & 0x80000000u)
            return 0;
        return kExitInvalid;
    default:
        return kExitInvalid;
    }
}

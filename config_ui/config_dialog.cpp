// The configuration dialog: loads the settings, shows them in the controls and
// saves them on OK.
#include "saver_settings.h"

#include "config_dialog.h"
#include "logo_bitmap.h"
#include "mbm_image.h"
#include "resource.h"
#include "scoped_handles.h"
#include "settings_fields.h"
#include "settings_policy.h"
#include "settings_paths.h"
#include "settings_store.h"

#include <commctrl.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

const char kHomePageUrl[] = "https://dusklatch.example.org/";

namespace {

struct Tooltip {
    int control;
    const char* text;
    int maxWidth;
    UINT autoPopFactor;
};

const Tooltip kTooltips[] = {
    {IDC_FORCE,
     "Checking it forces Shutdown, Restart and Log off options.\r\nOn pre-Vista system it also forces "
     "Hibernate and Standby.",
     350, 15},
    {IDC_PERFORM_TASK,
     "This option is for System Aministrators and advanced users only! Please read the documentation on "
     "how to use it correctly.",
     350, 15},
    {IDC_EBLRIS,
     "If your computer is not connected to power network and its battery life remaining is less than "
     "twice the countdown time, then the countdown timer will be set to half of battery life time "
     "remaining.",
     360, 25},
};
const int kTooltipCount = sizeof(kTooltips) / sizeof(kTooltips[0]);

const wchar_t* const kActionItems[] = {
    L"Shutdown", L"Hibernate", L"Standby", L"Restart", L"Log Off", L"Lock Station",
};

// The first version of TOOLINFO (44 bytes in a 32-bit program): understood by
// every version of the controls.
const UINT kToolInfoV1Size = TTTOOLINFOA_V1_SIZE;

struct DialogState {
    HBITMAP logoBitmap;
    int logoWidth;
    int logoHeight;
    HWND tooltips[kTooltipCount];
};

DialogState g_dialog = {};
WNDPROC g_systemDialogClassProc = nullptr;

// Replaces the window procedure of the dialog class once per process, so that
// the message boxes the dialog shows later are centred over it.
void InstallCenteringClassProc(HINSTANCE instance)
{
    if (g_systemDialogClassProc)
        return;
    HWND probe = CreateWindowExW(0, L"#32770", nullptr, 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!probe)
        return;
#ifdef _WIN64
    // The 64-bit build needs the pointer-sized call.
    g_systemDialogClassProc = reinterpret_cast<WNDPROC>(
        SetClassLongPtrA(probe, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(CenteringDialogClassProc)));
#else
    g_systemDialogClassProc = reinterpret_cast<WNDPROC>(static_cast<ULONG_PTR>(SetClassLongA(
        probe, GCL_WNDPROC, static_cast<LONG>(reinterpret_cast<ULONG_PTR>(CenteringDialogClassProc)))));
#endif
    DestroyWindow(probe);
}

void LoadLogo(HWND dialog, HINSTANCE instance)
{
    MbmImage image;
    const unsigned char* bytes = nullptr;
    size_t length = 0;
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_LOGO), L"MBM");
    if (found) {
        HGLOBAL loaded = LoadResource(instance, found);
        bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
        length = SizeofResource(instance, found);
    }
    // The status is not shown: an undecodable logo leaves an empty image and no bitmap.
    DecodeMbmImage(image, bytes, length);
    GreyMbmImage(image);
    g_dialog.logoBitmap = CreateLogoBitmap(image, GetSysColor(COLOR_BTNFACE));
    g_dialog.logoWidth = image.Width();
    g_dialog.logoHeight = image.Height();
    SetWindowPos(GetDlgItem(dialog, IDC_LOGO), nullptr, 0, 0, g_dialog.logoWidth, g_dialog.logoHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    FreeMbmImage(image);
}

// Enabling the command edit moves it one pixel down, disabling one pixel up.
void EnableCommandEdit(HWND dialog, bool enable)
{
    HWND edit = GetDlgItem(dialog, IDC_TASK_JOB);
    RECT rect;
    GetWindowRect(edit, &rect);
    POINT topLeft = {rect.left, rect.top};
    ScreenToClient(dialog, &topLeft);
    SetWindowPos(edit, nullptr, topLeft.x, topLeft.y + (enable ? 1 : -1), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    EnableWindow(edit, enable ? TRUE : FALSE);
}

void CreateTooltips(HWND dialog, HINSTANCE instance)
{
    for (int i = 0; i < kTooltipCount; ++i) {
        const Tooltip& tip = kTooltips[i];
        HWND tooltip = CreateWindowExA(0, "tooltips_class32", nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog,
                                       nullptr, instance, nullptr);
        g_dialog.tooltips[i] = tooltip;
        if (!tooltip)
            continue;
        SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, tip.maxWidth);
        TOOLINFOA info = {};
        info.cbSize = kToolInfoV1Size;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, tip.control));
        info.lpszText = const_cast<char*>(tip.text);
        SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
        SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP,
                     MAKELPARAM(LOWORD(tip.autoPopFactor * GetDoubleClickTime()), 0));
    }
}

// Controls whose field policy sets show its value and cannot be changed, and
// the title says why. Fields without a control change nothing here.
void ShowPolicyFields(HWND dialog)
{
    bool disabled = false;
    for (const SettingsField& field : kSettingsFields) {
        if (field.control == kNoControl || !(g_policyFields & field.policyBit))
            continue;
        EnableWindow(GetDlgItem(dialog, field.control), FALSE);
        disabled = true;
    }
    if (!disabled)
        return;
    const wchar_t kManaged[] = L" (some settings are managed by your administrator)";
    wchar_t title[128];
    const int length = GetWindowTextW(dialog, title, 128);
    if (length >= 0 && static_cast<size_t>(length) + wcslen(kManaged) < 128) {
        wcscpy(title + length, kManaged);
        SetWindowTextW(dialog, title);
    }
}

bool TaskJobFromPolicy()
{
    return (g_policyFields & kPolicyTaskJob) != 0;
}

void OnInitDialog(HWND dialog)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
    InstallCenteringClassProc(instance);
    LoadSettings();
    LoadLogo(dialog, instance);
    // A command set by policy is shown whatever the check box says.
    if (!g_settings.perform_task && !TaskJobFromPolicy())
        g_settings.task_job[0] = 0;

    HWND combo = GetDlgItem(dialog, IDC_SHUTDOWN_TYPE);
    for (const wchar_t* item : kActionItems)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    if (g_settings.shutdown_type != NoAction)
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(g_settings.shutdown_type - 1), 0);

    if (g_settings.force)
        CheckDlgButton(dialog, IDC_FORCE, BST_CHECKED);

    SYSTEMTIME time;
    CountdownToTime(g_settings.countdown, &time);
    HWND picker = GetDlgItem(dialog, IDC_COUNTDOWN);
    SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));

    if (g_settings.perform_task) {
        CheckDlgButton(dialog, IDC_PERFORM_TASK, BST_CHECKED);
        if (!TaskJobFromPolicy())
            EnableCommandEdit(dialog, true);
    }
    SetDlgItemTextW(dialog, IDC_TASK_JOB, g_settings.task_job);
    if (g_settings.eblris)
        CheckDlgButton(dialog, IDC_EBLRIS, BST_CHECKED);
    CreateTooltips(dialog, instance);
    ShowPolicyFields(dialog);
}

void OnPerformTaskClicked(HWND dialog)
{
    // The policy's command stays as it is, disabled, whatever the check box says.
    if (TaskJobFromPolicy())
        return;
    HWND edit = GetDlgItem(dialog, IDC_TASK_JOB);
    if (IsDlgButtonChecked(dialog, IDC_PERFORM_TASK) == BST_CHECKED) {
        EnableCommandEdit(dialog, true);
        SetWindowTextW(edit, g_settings.task_job);
        SetFocus(edit);
    } else {
        EnableCommandEdit(dialog, false);
        SetWindowTextW(edit, L"");
    }
}

// Names the file and the system's reason, so that the user can act on them
// (free the file, grant access) and press OK again.
void ReportSaveFailure(HWND dialog, DWORD error)
{
    SettingsPaths paths;
    if (!GetSettingsPaths(&paths))
        paths.file[0] = 0;
    wchar_t systemMessage[512];
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                        systemMessage, 512, nullptr))
        systemMessage[0] = 0;
    wchar_t text[MAX_PATH + 600];
    ComposeSaveErrorText(paths.file, error, systemMessage, text, sizeof(text) / sizeof(text[0]));
    MessageBoxW(dialog, text, L"Dusklatch", MB_ICONERROR | MB_OK);
}

void OnOk(HWND dialog)
{
    LRESULT selection = SendDlgItemMessageW(dialog, IDC_SHUTDOWN_TYPE, CB_GETCURSEL, 0, 0);
    g_settings.shutdown_type = static_cast<ShutdownType>(selection + 1);  // no selection (-1) is no action
    g_settings.force = IsDlgButtonChecked(dialog, IDC_FORCE) == BST_CHECKED;
    SYSTEMTIME time = {};
    SendDlgItemMessageW(dialog, IDC_COUNTDOWN, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    g_settings.countdown = CountdownAfterOk(g_settings.countdown, time);
    g_settings.eblris = IsDlgButtonChecked(dialog, IDC_EBLRIS) == BST_CHECKED;
    g_settings.perform_task = IsDlgButtonChecked(dialog, IDC_PERFORM_TASK) == BST_CHECKED;
    GetDlgItemTextW(dialog, IDC_TASK_JOB, g_settings.task_job, kTaskJobCapacity);
    if (!SaveSettings()) {
        // The dialog stays open with the user's choices in it, to be saved again or cancelled.
        ReportSaveFailure(dialog, GetLastError());
        return;
    }

    if (g_settings.shutdown_type >= LogOff && g_settings.perform_task)
        MessageBoxW(dialog,
                    L"\"Perform Task before Shutdown\" option cannot be used together with \"Log Off\" or "
                    L"\"Lock Station\" shutdown. The task will not be executed!",
                    L"Warning!", MB_ICONINFORMATION);
    EndDialog(dialog, 1);
}

void OnDrawItem(const DRAWITEMSTRUCT* item)
{
    if (item->CtlID != IDC_LOGO || item->CtlType != ODT_STATIC || item->itemAction != ODA_DRAWENTIRE)
        return;
    HDC memory = CreateCompatibleDC(item->hDC);
    if (!memory)
        return;
    {
        ScopedSelection logo(memory, g_dialog.logoBitmap);
        BitBlt(item->hDC, 0, 0, g_dialog.logoWidth, g_dialog.logoHeight, memory, 0, 0, SRCCOPY);
    }
    DeleteDC(memory);
}

bool ClickOnLogo(HWND dialog, LPARAM lParam)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, IDC_LOGO), &rect);
    POINT topLeft = {rect.left, rect.top};
    ScreenToClient(dialog, &topLeft);
    RECT logo = {topLeft.x, topLeft.y, topLeft.x + (rect.right - rect.left), topLeft.y + (rect.bottom - rect.top)};
    return LogoHit(logo, LOWORD(lParam), HIWORD(lParam));
}

void OnDestroy()
{
    if (g_dialog.logoBitmap) {
        DeleteObject(g_dialog.logoBitmap);
        g_dialog.logoBitmap = nullptr;
    }
    for (HWND& tooltip : g_dialog.tooltips) {
        if (tooltip)
            DestroyWindow(tooltip);
        tooltip = nullptr;
    }
}

}  // namespace

void CountdownToTime(int countdownSeconds, SYSTEMTIME* time)
{
    // The date and milliseconds stay as they come: only the time of day is ours.
    GetSystemTime(time);
    // A time the picker cannot show would be refused, and it would keep the clock.
    if (countdownSeconds < 0)
        countdownSeconds = 0;
    else if (countdownSeconds > kLongestPickerCountdown)
        countdownSeconds = kLongestPickerCountdown;
    time->wHour = static_cast<WORD>(countdownSeconds / 3600);
    time->wMinute = static_cast<WORD>((countdownSeconds % 3600) / 60);
    time->wSecond = static_cast<WORD>(countdownSeconds % 60);
}

int TimeToCountdown(const SYSTEMTIME& time)
{
    int seconds = time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
    return seconds < kShortestCountdown ? kShortestCountdown : seconds;
}

int CountdownAfterOk(int storedCountdown, const SYSTEMTIME& picked)
{
    if (storedCountdown >= 0 && storedCountdown <= kLongestPickerCountdown)
        return TimeToCountdown(picked);
    // Only the picker's nearer end was shown: unless the user moved it, the
    // stored countdown (from a prepared file or a hand edit) is kept.
    SYSTEMTIME shown;
    CountdownToTime(storedCountdown, &shown);
    if (picked.wHour == shown.wHour && picked.wMinute == shown.wMinute && picked.wSecond == shown.wSecond)
        return storedCountdown;
    return TimeToCountdown(picked);
}

namespace {

// Appends as much of the part as fits before the terminator.
void AppendClipped(wchar_t* text, size_t capacity, size_t* used, const wchar_t* part, size_t length)
{
    size_t room = capacity - 1 - *used;
    if (length > room)
        length = room;
    memcpy(text + *used, part, length * sizeof(wchar_t));
    *used += length;
    text[*used] = 0;
}

}  // namespace

void ComposeSaveErrorText(const wchar_t* path, DWORD error, const wchar_t* systemMessage, wchar_t* text,
                          size_t capacity)
{
    if (capacity == 0)
        return;
    size_t used = 0;
    text[0] = 0;
    size_t messageLength = systemMessage ? wcslen(systemMessage) : 0;
    while (messageLength && (systemMessage[messageLength - 1] == L'\r' || systemMessage[messageLength - 1] == L'\n'))
        --messageLength;
    wchar_t number[24];
    if (messageLength == 0) {
        swprintf(number, 24, L"error %lu", static_cast<unsigned long>(error));
        systemMessage = number;
        messageLength = wcslen(number);
    }
    const bool known = path && path[0];
    const wchar_t* lead = known ? L"The settings could not be saved to\n" : L"The settings could not be saved.";
    AppendClipped(text, capacity, &used, lead, wcslen(lead));
    if (known)
        AppendClipped(text, capacity, &used, path, wcslen(path));
    AppendClipped(text, capacity, &used, L"\n\n", 2);
    AppendClipped(text, capacity, &used, systemMessage, messageLength);
}

bool LogoHit(const RECT& logo, int x, int y)
{
    return logo.left <= x && x <= logo.right && logo.top <= y && y <= logo.bottom;
}

POINT CenteredPosition(const RECT& window, const RECT& parent)
{
    LONG width = window.right - window.left;
    LONG height = window.bottom - window.top;
    POINT position = {parent.left + (parent.right - parent.left - width) / 2,
                      parent.top + (parent.bottom - parent.top - height) / 2};
    return position;
}

void CenterOverParent(HWND window, HWND parent)
{
    RECT rect;
    GetWindowRect(window, &rect);
    RECT parentRect;
    if (!parent || !GetWindowRect(parent, &parentRect))
        parentRect = rect;  // no parent: the window keeps its place
    POINT position = CenteredPosition(rect, parentRect);
    MoveWindow(window, position.x, position.y, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

LRESULT CALLBACK CenteringDialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        CenterOverParent(window, GetParent(window));
    LRESULT result = CallWindowProcA(g_systemDialogClassProc, window, message, wParam, lParam);
    // Wine's message box places itself while handling WM_INITDIALOG, after the
    // centring above; centring once more keeps the box over the dialog there
    // (on Windows the box is already in place and does not move).
    if (message == WM_INITDIALOG)
        CenterOverParent(window, GetParent(window));
    return result;
}

BOOL WINAPI RegisterDialogClasses(HANDLE)
{
    return TRUE;
}

BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        case IDC_PERFORM_TASK:
            OnPerformTaskClicked(dialog);
            break;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        break;
    case WM_DRAWITEM:
        OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        break;
    case WM_LBUTTONDOWN:
        if (ClickOnLogo(dialog, lParam))
            SetCursor(LoadCursor(nullptr, IDC_HAND));
        break;
    case WM_LBUTTONUP:
        if (ClickOnLogo(dialog, lParam) &&
            MessageBoxA(dialog, "Do you want to visit Dusklatch homepage?", "Dusklatch 2.0",
                        MB_ICONQUESTION | MB_YESNO) == IDYES)
            ShellExecuteA(dialog, nullptr, kHomePageUrl, nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    }
    return FALSE;
}

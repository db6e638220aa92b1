// The real configuration dialog of Dusklatch.scr, driven from outside through
// its controls, as a user's clicks would.
#include "mbm_image.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const wchar_t kDialogTitle[] = L"Dusklatch version 2.1";
const std::wstring kDefaultFile =
    L"[Dusklatch]\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\neblris=true\r\n"
    L"perform_task=false\r\ntask_job=\r\n";

// WM_GETTEXT itself: GetWindowText of another process's window reads only the
// caption the system keeps, which an edit control does not update.
std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Waits for a top-level dialog-class window with this title owned by `owner`'s process.
HWND WaitForDialog(const wchar_t* title, DWORD timeoutMs = 10000)
{
    return WaitForWindow(L"#32770", title, timeoutMs);
}

class ConfigDialog : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT && dialog_)
            PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
        EndProcess(&info_);
        RemoveSettingsFile();
        RemovePolicyKey();
    }

    void Open(const wchar_t* arguments = L"/c", const std::wstring& title = kDialogTitle)
    {
        std::wstring command = L"\"" + BinPath(L"Dusklatch.scr") + L"\" " + arguments;
        ASSERT_TRUE(StartProcess(command, &info_));
        dialog_ = WaitForDialog(title.c_str());
        ASSERT_NE(nullptr, dialog_);
        // Let WM_INITDIALOG finish before the controls are read.
        Sleep(300);
    }

    HWND Item(int id) { return GetDlgItem(dialog_, id); }
    void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
    // OK may open a modal box inside the dialog's thread: post, don't wait.
    void PostClick(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }
    bool Checked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    DWORD WaitForExit()
    {
        DWORD code = 0xDEADu;
        if (WaitForSingleObject(info_.hProcess, 10000) == WAIT_OBJECT_0)
            GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

    // The picker's SYSTEMTIME messages carry a pointer the system does not
    // marshal: the structure must live in the dialog's process.
    SYSTEMTIME PickerTime()
    {
        SYSTEMTIME time = {};
        void* remote = VirtualAllocEx(info_.hProcess, nullptr, sizeof(time), MEM_COMMIT, PAGE_READWRITE);
        SendMessageW(Item(1004), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(info_.hProcess, remote, &time, sizeof(time), nullptr);
        VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
        return time;
    }
    void SetPickerTime(WORD hour, WORD minute, WORD second)
    {
        SYSTEMTIME time = PickerTime();
        time.wHour = hour;
        time.wMinute = minute;
        time.wSecond = second;
        void* remote = VirtualAllocEx(info_.hProcess, nullptr, sizeof(time), MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(info_.hProcess, remote, &time, sizeof(time), nullptr);
        SendMessageW(Item(1004), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(info_.hProcess, remote, 0, MEM_RELEASE);
    }

    POINT EditTopLeft()
    {
        RECT rect;
        GetWindowRect(Item(1007), &rect);
        POINT topLeft = {rect.left, rect.top};
        ScreenToClient(dialog_, &topLeft);
        return topLeft;
    }

    PROCESS_INFORMATION info_ = {};
    HWND dialog_ = nullptr;
};

}  // namespace

namespace {

// One control of the dialog template as stored in the program's resources.
struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::wstring className;
    std::wstring text;
};

struct DialogTemplate {
    DWORD style;
    short x, y, cx, cy;
    std::wstring title;
    WORD pointSize;
    std::wstring font;
    std::vector<TemplateItem> items;
};

// Reads a string or ordinal field of a template; ordinals of the predefined
// classes become their names.
std::wstring ReadNameOrOrdinal(const WORD*& p)
{
    if (*p == 0xFFFF) {
        WORD ordinal = p[1];
        p += 2;
        switch (ordinal) {
        case 0x80: return L"BUTTON";
        case 0x81: return L"EDIT";
        case 0x82: return L"STATIC";
        case 0x85: return L"COMBOBOX";
        default: return L"#" + std::to_wstring(ordinal);
        }
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(p));
    p += text.size() + 1;
    return text;
}

bool ReadDialogTemplate(int id, DialogTemplate* out)
{
    HMODULE saver = LoadLibraryExW(BinPath(L"Dusklatch.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!saver)
        return false;
    HRSRC found = FindResourceW(saver, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    const DLGTEMPLATE* dialog =
        found ? static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(saver, found))) : nullptr;
    if (!dialog) {
        FreeLibrary(saver);
        return false;
    }
    out->style = dialog->style;
    out->x = dialog->x;
    out->y = dialog->y;
    out->cx = dialog->cx;
    out->cy = dialog->cy;
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    ReadNameOrOrdinal(p);  // menu
    ReadNameOrOrdinal(p);  // class
    out->title = ReadNameOrOrdinal(p);
    if (dialog->style & DS_SETFONT) {
        out->pointSize = *p++;
        out->font = ReadNameOrOrdinal(p);
    }
    for (int i = 0; i < dialog->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~static_cast<ULONG_PTR>(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        TemplateItem parsed = {item->style, item->x, item->y, item->cx, item->cy, item->id, L"", L""};
        p = reinterpret_cast<const WORD*>(item + 1);
        parsed.className = ReadNameOrOrdinal(p);
        parsed.text = ReadNameOrOrdinal(p);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        out->items.push_back(parsed);
    }
    FreeLibrary(saver);
    return true;
}

}  // namespace

TEST(ConfigDialogTemplate, HasEveryControlWithExactStylesPlacesAndTexts)
{
    DialogTemplate dialog = {};
    ASSERT_TRUE(ReadDialogTemplate(2003, &dialog));
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), dialog.style);
    EXPECT_EQ(25, dialog.x);
    EXPECT_EQ(25, dialog.y);
    EXPECT_EQ(313, dialog.cx);
    EXPECT_EQ(195, dialog.cy);
    EXPECT_EQ(L"Dusklatch version 2.1", dialog.title);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ(L"MS Sans Serif", dialog.font);

    const DWORD kChild = WS_CHILD | WS_VISIBLE;
    const TemplateItem kItems[] = {
        {BS_DEFPUSHBUTTON | WS_TABSTOP | kChild, 197, 174, 50, 14, IDOK, L"BUTTON", L"OK"},
        {BS_PUSHBUTTON | WS_TABSTOP | kChild, 256, 174, 50, 14, IDCANCEL, L"BUTTON", L"Cancel"},
        {SS_OWNERDRAW | kChild, 7, 7, 20, 20, 1005, L"STATIC", L""},
        {SS_LEFT | WS_GROUP | kChild, 13, 70, 50, 8, 0xFFFF, L"STATIC", L"Shutdown type:"},
        {CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | kChild, 69, 68, 74, 30, 1001, L"COMBOBOX", L""},
        {BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP | kChild, 197, 70, 70, 10, 1002, L"BUTTON", L"Force Shutdown:"},
        {SS_LEFT | WS_GROUP | kChild, 13, 98, 56, 8, 0xFFFF, L"STATIC", L"Countdown timer:"},
        {DTS_TIMEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP | kChild, 75, 95, 48, 15, 1004, L"SysDateTimePick32",
         L"DateTimePicker1"},
        {BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP | kChild, 143, 98, 155, 10, 1008, L"BUTTON",
         L"Ensure battery life time remaining is sufficient"},
        {BS_AUTOCHECKBOX | BS_LEFTTEXT | WS_TABSTOP | kChild, 12, 127, 116, 10, 1006, L"BUTTON",
         L"Perform Task before Shutdown:"},
        {SS_LEFT | WS_GROUP | kChild, 13, 144, 34, 8, 0xFFFF, L"STATIC", L"Command:"},
        {WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP | WS_DISABLED | kChild, 53, 141, 245, 14, 1007, L"EDIT", L""},
    };
    ASSERT_EQ(sizeof(kItems) / sizeof(kItems[0]), dialog.items.size());
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const TemplateItem& want = kItems[i];
        const TemplateItem& got = dialog.items[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << want.id);
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.style, got.style);
        // windres stores class names in capitals; Windows compares them without case.
        EXPECT_EQ(0, _wcsicmp(want.className.c_str(), got.className.c_str())) << got.className;
        EXPECT_EQ(want.text, got.text);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.cx, got.cx);
        EXPECT_EQ(want.cy, got.cy);
    }
}

TEST_F(ConfigDialog, ControlsAreLiveWithTheirTextsAndComboItems)
{
    RemoveSettingsFile();
    Open();
    EXPECT_EQ(L"Dusklatch version 2.1", WindowText(dialog_));
    EXPECT_EQ(L"SysDateTimePick32", ClassOf(Item(1004)));
    EXPECT_EQ(L"OK", WindowText(Item(IDOK)));
    EXPECT_EQ(L"Perform Task before Shutdown:", WindowText(Item(1006)));
    EXPECT_EQ(6, SendMessageW(Item(1001), CB_GETCOUNT, 0, 0));
    const wchar_t* const kItems[] = {L"Shutdown", L"Hibernate", L"Standby", L"Restart", L"Log Off", L"Lock Station"};
    for (int i = 0; i < 6; ++i) {
        wchar_t item[64] = {};
        SendMessageW(Item(1001), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(kItems[i], item);
    }
}

TEST_F(ConfigDialog, OkWithoutSettingsFileWritesTheSevenDefaultLines)
{
    RemoveSettingsFile();
    Open();
    EXPECT_EQ(0, SendMessageW(Item(1001), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Checked(1002));
    EXPECT_TRUE(Checked(1008));
    EXPECT_FALSE(Checked(1006));
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &bytes));
    EXPECT_EQ(Utf16Bytes(kDefaultFile), bytes);
}

TEST_F(ConfigDialog, OkKeepsCommentsUnknownAndLogonKeysInPlace)
{
    WriteSettingsLines({L"; deployed by IT", L"[Dusklatch]", L"separate_logon_config=true", L"logon_countdown=30",
                        L"shutdown_type=3", L"mystery=x=y", L"countdown=120", L"", L"[Extra]"});
    Open();
    EXPECT_EQ(2, SendMessageW(Item(1001), CB_GETCURSEL, 0, 0));
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_EQ(L"; deployed by IT\r\n[Dusklatch]\r\nseparate_logon_config=true\r\nlogon_countdown=30\r\n"
              L"shutdown_type=3\r\nmystery=x=y\r\ncountdown=120\r\n\r\n[Extra]\r\nforce=true\r\neblris=true\r\n"
              L"perform_task=false\r\ntask_job=\r\n",
              ReadSettingsText());
}

// Policy sets the action, the countdown and the command: their controls show
// its values, disabled, and OK leaves the file's own values for them.
TEST_F(ConfigDialog, PolicySetControlsAreDisabledAndOkKeepsTheFilesValues)
{
    WriteSettingsLines({L"[Dusklatch]", L"shutdown_type=4", L"countdown=60", L"task_job=file task"});
    ASSERT_TRUE(AddPolicyValue(L"", L"shutdown_type", L"REG_DWORD", L"2"));
    ASSERT_TRUE(AddPolicyValue(L"", L"countdown", L"REG_DWORD", L"3661"));
    ASSERT_TRUE(AddPolicyValue(L"", L"task_job", L"REG_SZ", L"policy task"));
    Open(L"/c", std::wstring(kDialogTitle) + L" (some settings are managed by your administrator)");

    EXPECT_EQ(1, SendMessageW(Item(1001), CB_GETCURSEL, 0, 0));
    const SYSTEMTIME time = PickerTime();
    EXPECT_EQ(1, time.wHour);
    EXPECT_EQ(1, time.wMinute);
    EXPECT_EQ(1, time.wSecond);
    EXPECT_EQ(L"policy task", WindowText(Item(1007)));
    for (int id : {1001, 1004, 1007})
        EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
    for (int id : {1002, 1006, 1008})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;

    Click(1002);
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_EQ(L"[Dusklatch]\r\nshutdown_type=4\r\ncountdown=60\r\ntask_job=file task\r\nforce=false\r\n"
              L"eblris=true\r\nperform_task=false\r\n",
              ReadSettingsText());
}

TEST_F(ConfigDialog, PickerShowsStoredCountdownAndOkKeepsFifteenSecondsAtLeast)
{
    WriteSettingsLines({L"countdown=3661"});
    Open();
    SYSTEMTIME shown = PickerTime();
    EXPECT_EQ(1, shown.wHour);
    EXPECT_EQ(1, shown.wMinute);
    EXPECT_EQ(1, shown.wSecond);
    SetPickerTime(0, 0, 10);
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_EQ(0u, ReadSettingsText().find(L"countdown=15\r\n")) << ReadSettingsText();
}

TEST_F(ConfigDialog, OkKeepsACountdownBeyondThePickersRangeWhenThePickerIsUntouched)
{
    WriteSettingsLines({L"countdown=90000"});
    Open();
    SYSTEMTIME shown = PickerTime();
    EXPECT_EQ(23, shown.wHour);
    EXPECT_EQ(59, shown.wMinute);
    EXPECT_EQ(59, shown.wSecond);
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_EQ(0u, ReadSettingsText().find(L"countdown=90000\r\n")) << ReadSettingsText();
}

TEST_F(ConfigDialog, TaskOffAtStartEmptiesTheCommand)
{
    WriteSettingsLines({L"perform_task=false", L"task_job=notepad.exe"});
    Open();
    EXPECT_FALSE(IsWindowEnabled(Item(1007)));
    EXPECT_EQ(L"", WindowText(Item(1007)));
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_NE(std::wstring::npos, ReadSettingsText().find(L"\r\ntask_job=\r\n")) << ReadSettingsText();
}

TEST_F(ConfigDialog, TaskCheckBoxRestoresTheCommandAndNudgesTheEdit)
{
    WriteSettingsLines({L"perform_task=true", L"task_job=cmd /c echo ready"});
    Open();
    EXPECT_TRUE(Checked(1006));
    EXPECT_TRUE(IsWindowEnabled(Item(1007)));
    EXPECT_EQ(L"cmd /c echo ready", WindowText(Item(1007)));
    POINT enabled = EditTopLeft();

    Click(1006);
    EXPECT_FALSE(IsWindowEnabled(Item(1007)));
    EXPECT_EQ(L"", WindowText(Item(1007)));
    POINT disabled = EditTopLeft();
    EXPECT_EQ(enabled.x, disabled.x);
    EXPECT_EQ(enabled.y - 1, disabled.y);

    Click(1006);
    EXPECT_TRUE(IsWindowEnabled(Item(1007)));
    EXPECT_EQ(L"cmd /c echo ready", WindowText(Item(1007)));
    EXPECT_EQ(enabled.y, EditTopLeft().y);
}

TEST_F(ConfigDialog, LogOffWithTaskSavesThenWarnsCentredOverTheDialog)
{
    WriteSettingsLines({L"perform_task=true", L"task_job=cmd /c exit"});
    Open();
    SendMessageW(Item(1001), CB_SETCURSEL, 4, 0);  // Log Off
    RECT dialogRect;
    GetWindowRect(dialog_, &dialogRect);
    PostClick(IDOK);
    HWND warning = WaitForDialog(L"Warning!");
    ASSERT_NE(nullptr, warning);
    Sleep(300);
    EXPECT_NE(std::wstring::npos, ReadSettingsText().find(L"shutdown_type=5\r\n")) << "saved before the box";
    EXPECT_NE(std::wstring::npos, ReadSettingsText().find(L"perform_task=true\r\ntask_job=cmd /c exit\r\n"));

    RECT box;
    GetWindowRect(warning, &box);
    EXPECT_NEAR((dialogRect.left + dialogRect.right) / 2, (box.left + box.right) / 2, 1);
    EXPECT_NEAR((dialogRect.top + dialogRect.bottom) / 2, (box.top + box.bottom) / 2, 1);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(info_.hProcess, 0)) << "the dialog waits for the box";

    PostMessageW(warning, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, WaitForExit());
}

TEST_F(ConfigDialog, FailedSaveIsReportedAndTheDialogStaysForAnotherTry)
{
    WriteSettingsLines({L"perform_task=true", L"task_job=cmd /c exit"});
    std::vector<unsigned char> before;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &before));
    Open();
    // Log Off with a task warns after a save: it must not after a failed one.
    SendMessageW(Item(1001), CB_SETCURSEL, 4, 0);
    // Held without any sharing, the file cannot be replaced; closed on every path,
    // or the tests after this one could not use it.
    std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> holder(
        CreateFileW(SettingsFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), CloseHandle);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder.get());

    PostClick(IDOK);
    HWND error = WaitForDialog(L"Dusklatch");
    ASSERT_NE(nullptr, error);
    EXPECT_EQ(dialog_, GetWindow(error, GW_OWNER));
    bool namesTheFile = false;
    for (HWND child = GetWindow(error, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        namesTheFile = namesTheFile || WindowText(child).find(SettingsFile()) != std::wstring::npos;
    EXPECT_TRUE(namesTheFile) << SettingsFile();
    PostMessageW(error, WM_COMMAND, IDOK, 0);
    Sleep(300);
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", L"Warning!"));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(info_.hProcess, 0)) << "the dialog stays after the error";

    holder.reset();
    std::vector<unsigned char> after;
    ASSERT_TRUE(ReadFileBytes(SettingsFile(), &after));
    EXPECT_EQ(before, after);

    // The choices are still in the dialog: OK now saves them, then warns as usual.
    PostClick(IDOK);
    HWND warning = WaitForDialog(L"Warning!");
    ASSERT_NE(nullptr, warning);
    PostMessageW(warning, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_NE(std::wstring::npos, ReadSettingsText().find(L"shutdown_type=5\r\n")) << ReadSettingsText();
}

TEST_F(ConfigDialog, CancelAndCloseSaveNothing)
{
    const std::vector<std::wstring> lines = {L"[Dusklatch]", L"countdown=77", L"shutdown_type=2"};
    struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        DWORD exitCode;
    } const kWays[] = {{"Cancel", WM_COMMAND, IDCANCEL, 0}, {"WM_CLOSE", WM_CLOSE, 0, 1}};
    for (const auto& way : kWays) {
        SCOPED_TRACE(way.name);
        WriteSettingsLines(lines);
        std::vector<unsigned char> before;
        ReadFileBytes(SettingsFile(), &before);
        Open();
        SendMessageW(Item(1001), CB_SETCURSEL, 5, 0);
        Click(1002);
        PostMessageW(dialog_, way.message, way.wParam, 0);
        EXPECT_EQ(way.exitCode, WaitForExit());
        std::vector<unsigned char> after;
        ReadFileBytes(SettingsFile(), &after);
        EXPECT_EQ(before, after);
        EndProcess(&info_);
    }
}

TEST_F(ConfigDialog, UnknownActionShowsNoSelectionAndOkStoresNoAction)
{
    WriteSettingsLines({L"shutdown_type=9"});
    Open();
    EXPECT_EQ(CB_ERR, SendMessageW(Item(1001), CB_GETCURSEL, 0, 0));
    PostClick(IDOK);
    EXPECT_EQ(1u, WaitForExit());
    EXPECT_NE(std::wstring::npos, ReadSettingsText().find(L"shutdown_type=0\r\n"));
}

TEST_F(ConfigDialog, TooltipsHaveTheirWidthsAndTimes)
{
    RemoveSettingsFile();
    Open();
    std::multiset<std::pair<LRESULT, LRESULT>> found;  // (max width, auto-pop time)
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetWindow(window, GW_OWNER) == dialog_ && ClassOf(window) == L"tooltips_class32")
            found.insert({SendMessageW(window, TTM_GETMAXTIPWIDTH, 0, 0),
                          SendMessageW(window, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0)});
    }
    const LRESULT click = GetDoubleClickTime();
    EXPECT_EQ((std::multiset<std::pair<LRESULT, LRESULT>>{
                  {350, LOWORD(15 * click)}, {350, LOWORD(15 * click)}, {360, LOWORD(25 * click)}}),
              found);
}

TEST_F(ConfigDialog, LogoControlTakesTheLogoSizeAndItsEdgeAsksForTheHomePage)
{
    // The size the program's own logo resource decodes to.
    HMODULE saver = LoadLibraryExW(BinPath(L"Dusklatch.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, saver);
    HRSRC found = FindResourceW(saver, MAKEINTRESOURCEW(113), L"MBM");
    ASSERT_NE(nullptr, found);
    MbmImage image;
    ASSERT_EQ(0, DecodeMbmImage(image, static_cast<const unsigned char*>(LockResource(LoadResource(saver, found))),
                                SizeofResource(saver, found)));
    FreeLibrary(saver);

    RemoveSettingsFile();
    Open();
    RECT logo;
    GetWindowRect(Item(1005), &logo);
    EXPECT_EQ(image.Width(), logo.right - logo.left);
    EXPECT_EQ(image.Height(), logo.bottom - logo.top);

    POINT topLeft = {logo.left, logo.top};
    ScreenToClient(dialog_, &topLeft);
    // One pixel beyond the logo: nothing; exactly on its bottom-right edge: the question.
    PostMessageW(dialog_, WM_LBUTTONUP, 0, MAKELPARAM(topLeft.x + image.Width() + 1, topLeft.y + 5));
    EXPECT_EQ(nullptr, WaitForDialog(L"Dusklatch 2.0", 800));
    PostMessageW(dialog_, WM_LBUTTONUP, 0, MAKELPARAM(topLeft.x + image.Width(), topLeft.y + image.Height()));
    HWND question = WaitForDialog(L"Dusklatch 2.0");
    ASSERT_NE(nullptr, question);
    bool foundText = false;
    for (HWND child = GetWindow(question, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        foundText = foundText || WindowText(child) == L"Do you want to visit Dusklatch homepage?";
    EXPECT_TRUE(foundText);
    PostMessageW(question, WM_COMMAND, IDNO, 0);
    Sleep(300);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(info_.hProcess, 0)) << "the dialog stays after No";
}

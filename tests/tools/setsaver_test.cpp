// setsaver and setsaverw run as processes against Wine's registry.
#include "tool_process_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const wchar_t kUserDesktop[] = L"Control Panel\\Desktop";
const wchar_t kLogonDesktop[] = L".DEFAULT\\Control Panel\\Desktop";
const wchar_t* const kValueNames[] = {L"SCRNSAVE.EXE", L"ScreenSaveActive", L"ScreenSaveTimeOut"};

// The mark left in ScreenSaveTimeOut before a run, written with its terminator.
const std::wstring kUnchanged(L"777", 4);

// The path setsaver must name: the file installsaver copies into the system
// directory, by a name that every process resolves to that file. On 64-bit
// Windows (the win64 test prefix) the 32-bit copy lies in the Windows folder's
// syswow64 (Wine's spelling), and the 64-bit process that starts screen savers
// would read the system directory's own name as the real system32.
std::wstring SaverPath()
{
    if (!RunsUnderWow64())
        return SystemDirectoryFile(L"Dusklatch.scr");
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\syswow64\\Dusklatch.scr";
}

class ToolSetSaver : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh Wine prefix has no desktop key for the logon desktop; a real
        // machine has one, so it is made here and removed again afterwards.
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_USERS, kLogonDesktop, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, &disposition));
        RegCloseKey(key);
        createdLogonKey_ = disposition == REG_CREATED_NEW_KEY;
        for (const wchar_t* name : kValueNames) {
            saved_.emplace_back(new SavedRegistryValue(HKEY_CURRENT_USER, kUserDesktop, name));
            saved_.emplace_back(new SavedRegistryValue(HKEY_USERS, kLogonDesktop, name));
        }
        // Marks that show which values a run has left alone.
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_USERS}) {
            const wchar_t* subkey = root == HKEY_USERS ? kLogonDesktop : kUserDesktop;
            ASSERT_TRUE(SetRegistryText(root, subkey, L"SCRNSAVE.EXE", L"before.scr"));
            ASSERT_TRUE(SetRegistryText(root, subkey, L"ScreenSaveActive", L"0"));
            ASSERT_TRUE(SetRegistryText(root, subkey, L"ScreenSaveTimeOut", L"777"));
        }
    }
    void TearDown() override
    {
        saved_.clear();
        if (createdLogonKey_)
            RegDeleteKeyW(HKEY_USERS, kLogonDesktop);
    }

    // The value's raw bytes: a stored terminator would show as two more.
    static std::vector<unsigned char> Stored(HKEY root, const wchar_t* name)
    {
        DWORD type = 0;
        std::vector<unsigned char> bytes;
        const wchar_t* subkey = root == HKEY_USERS ? kLogonDesktop : kUserDesktop;
        if (!ReadRegistryValue(root, subkey, name, &type, &bytes))
            return Utf16Bytes(L"(missing)");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << Narrow(name);
        return bytes;
    }
    static void ExpectSelected(HKEY root, const std::wstring& timeout)
    {
        EXPECT_EQ(Utf16Bytes(SaverPath()), Stored(root, L"SCRNSAVE.EXE"));
        EXPECT_EQ(Utf16Bytes(L"1"), Stored(root, L"ScreenSaveActive"));
        EXPECT_EQ(Utf16Bytes(timeout), Stored(root, L"ScreenSaveTimeOut"));
    }
    static void ExpectUntouched(HKEY root)
    {
        // The marks were written with their terminators.
        EXPECT_EQ(Utf16Bytes(std::wstring(L"before.scr", 11)), Stored(root, L"SCRNSAVE.EXE"));
        EXPECT_EQ(Utf16Bytes(std::wstring(L"0", 2)), Stored(root, L"ScreenSaveActive"));
        EXPECT_EQ(Utf16Bytes(kUnchanged), Stored(root, L"ScreenSaveTimeOut"));
    }

    bool createdLogonKey_ = false;
    std::vector<std::unique_ptr<SavedRegistryValue>> saved_;
};

TEST_F(ToolSetSaver, UsageWithoutLineEnd)
{
    for (const wchar_t* program : {L"setsaver.exe", L"setsaverw.exe"}) {
        ProcessResult result = RunTool(program);
        EXPECT_EQ("usage: " + Narrow(BinPath(program)) + " timeout [/logon]", result.output);
        EXPECT_EQ(1u, result.exitCode);
        ExpectUntouched(HKEY_CURRENT_USER);
    }
}

TEST_F(ToolSetSaver, TimeoutsForTheCurrentUser)
{
    const struct {
        const wchar_t* argument;
        const wchar_t* stored;  // as the registry holds it afterwards
    } rows[] = {
        {L"600", L"600"},  {L"60", L"60"},  {L"59", L"90"},   {L"1", L"90"},     {L" 120s", L"120"},
        {L"0", nullptr},   {L"-5", nullptr}, {L"ten", nullptr}, {L"-99999999999", nullptr},
        {L"99999999999", L"2147483647"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, kUserDesktop, L"ScreenSaveTimeOut", L"777"));
        ProcessResult result = RunTool(L"setsaver.exe", Quoted(row.argument));
        EXPECT_EQ("Dusklatch set.\r\n", result.output) << Narrow(row.argument);
        EXPECT_EQ(0u, result.exitCode);
        ExpectSelected(HKEY_CURRENT_USER, row.stored ? std::wstring(row.stored) : kUnchanged);
        ExpectUntouched(HKEY_USERS);
    }
}

TEST_F(ToolSetSaver, ActiveSwitchIsExactlyTwoBytes)
{
    ASSERT_EQ(0u, RunTool(L"setsaver.exe", L"600").exitCode);
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kUserDesktop, L"ScreenSaveActive", &type, &bytes));
    EXPECT_EQ((std::vector<unsigned char>{'1', 0}), bytes);
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kUserDesktop, L"SCRNSAVE.EXE", &type, &bytes));
    EXPECT_EQ(Utf16Bytes(SaverPath()), bytes);
}

TEST_F(ToolSetSaver, LogonSwitchInSecondPlaceInAnyCase)
{
    for (const wchar_t* logon : {L"/logon", L"/LOGON", L"/LoGoN"}) {
        ProcessResult result = RunTool(L"setsaver.exe", std::wstring(L"45 ") + logon + L" extra");
        EXPECT_EQ("Dusklatch set.\r\n", result.output);
        EXPECT_EQ(0u, result.exitCode);
        ExpectSelected(HKEY_USERS, L"90");
        ExpectUntouched(HKEY_CURRENT_USER);
        ASSERT_TRUE(SetRegistryText(HKEY_USERS, kLogonDesktop, L"ScreenSaveTimeOut", L"777"));
    }
}

TEST_F(ToolSetSaver, LogonSwitchElsewhereMeansTheCurrentUser)
{
    ProcessResult result = RunTool(L"setsaver.exe", L"/logon");
    EXPECT_EQ("Dusklatch set.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    ExpectSelected(HKEY_CURRENT_USER, kUnchanged);
    ExpectUntouched(HKEY_USERS);

    result = RunTool(L"setsaver.exe", L"300 /logoff");
    EXPECT_EQ("Dusklatch set.\r\n", result.output);
    ExpectSelected(HKEY_CURRENT_USER, L"300");
    ExpectUntouched(HKEY_USERS);
}

TEST_F(ToolSetSaver, MissingLogonKeyIsAnAccessError)
{
    saved_.clear();
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_USERS, kLogonDesktop));
    ProcessResult result = RunTool(L"setsaver.exe", L"600 /logon");
    EXPECT_EQ("Error accessing Windows Registry!\r\n", result.output);
    EXPECT_EQ(2u, result.exitCode);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_USERS, kLogonDesktop, 0, KEY_READ, &key));
    createdLogonKey_ = false;
}

TEST_F(ToolSetSaver, WindowlessBuildWritesItsLinesIntoARedirectedFile)
{
    ScratchFolder scratch(L"DusklatchSetSaverW");
    const std::wstring output = scratch.Path() + L"\\out.txt";
    DWORD exitCode = 0;
    ASSERT_TRUE(RunWithOutputFile(Quoted(BinPath(L"setsaverw.exe")) + L" 600 /logon", output, &exitCode));
    EXPECT_EQ(0u, exitCode);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(output, &bytes));
    EXPECT_EQ("Dusklatch set.\r\n", std::string(bytes.begin(), bytes.end()));
    ExpectSelected(HKEY_USERS, L"600");

    ASSERT_TRUE(RunWithOutputFile(Quoted(BinPath(L"setsaverw.exe")), output, &exitCode));
    EXPECT_EQ(1u, exitCode);
    ASSERT_TRUE(ReadFileBytes(output, &bytes));
    EXPECT_EQ("usage: " + Narrow(BinPath(L"setsaverw.exe")) + " timeout [/logon]",
              std::string(bytes.begin(), bytes.end()));
}

TEST_F(ToolSetSaver, WindowlessBuildWithoutOutputStillSelects)
{
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(StartProcess(Quoted(BinPath(L"setsaverw.exe")) + L" 59", &info));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 30000));
    DWORD exitCode = 1;
    GetExitCodeProcess(info.hProcess, &exitCode);
    EndProcess(&info);
    EXPECT_EQ(0u, exitCode);
    ExpectSelected(HKEY_CURRENT_USER, L"90");
}

TEST_F(ToolSetSaver, ANativeProcessStartsTheSaverFromTheSelectedPath)
{
    // Only 64-bit Windows separates the two views of the system directory: the
    // 32-bit tools see it through WOW64, the 64-bit ones see the native one.
#ifdef _WIN64
    const bool redirected = false;
#else
    ASSERT_TRUE(RunsUnderWow64()) << "the test prefix is meant to be win64";
    const bool redirected = true;
#endif
    const std::wstring installed = SystemDirectoryFile(L"Dusklatch.scr");
    SavedFile savedSaver(installed);
    DeleteFileW(installed.c_str());
    ProcessResult result = RunProcess(Quoted(PackageFolder() + L"\\bin\\installsaver.exe"));
    ASSERT_EQ("Dusklatch installed.\r\n", result.output);
    for (const wchar_t* program : {L"setsaver.exe", L"setsaverw.exe"}) {
        ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, kUserDesktop, L"SCRNSAVE.EXE", L"before.scr"));
        ASSERT_EQ(0u, RunTool(program, L"600").exitCode) << Narrow(program);
        DWORD type = 0;
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, kUserDesktop, L"SCRNSAVE.EXE", &type, &bytes));
        const std::wstring selected = Utf16Text(bytes);

        // The saver's /a mode ends at once with -1; native_start reports the whole code.
        EXPECT_EQ("exit code -1\r\n", RunTool(L"native_start.exe", Quoted(selected) + L" /a").output)
            << Narrow(program) << " selected " << Narrow(selected);
        // A 64-bit tool names the native system folder by its own name.
        if (!redirected)
            EXPECT_EQ(installed, selected.c_str()) << Narrow(program);
    }
    // The system directory's own name, as a native process reads it, holds no
    // 32-bit saver: the name the 32-bit tool used to write.
    if (redirected)
        EXPECT_EQ("not started, error 2\r\n", RunTool(L"native_start.exe", Quoted(installed) + L" /a").output);
}

}  // namespace

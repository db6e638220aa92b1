// The Windows Installer package under Wine's msiexec, in a fresh win64 prefix:
// what an installation with the silent-install properties puts where, what
// uninstall leaves (only the edited settings file), and that a bad property
// value stops the installation before anything is written.
#include "tool_process_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

const wchar_t kDesktopKey[] = L".DEFAULT\\Control Panel\\Desktop";
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\DusklatchService";
const wchar_t kEventSourceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DusklatchService";
const wchar_t* const kPrograms[] = {L"svcctl.exe",       L"setsaver.exe",     L"setsaverw.exe",
                                    L"installsaver.exe", L"deployconfig.exe", L"setautorun.exe",
                                    L"DusklatchService.exe"};

std::wstring Folder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE);
    return folder;
}

// Each build's test installs the build's own package, into the folders that
// its own process names: the x86 package into SysWOW64 and "Program Files
// (x86)" on 64-bit Windows, which a 32-bit process sees as System32 and
// "Program Files"; the x64 package into the 64-bit folders.
const std::wstring kInstalledBin = Folder(CSIDL_PROGRAM_FILES) + L"\\Dusklatch\\bin";
const std::wstring kInstalledPolicy = Folder(CSIDL_PROGRAM_FILES) + L"\\Dusklatch\\policy";
const std::wstring kInstalledSaver = Folder(CSIDL_SYSTEM) + L"\\Dusklatch.scr";
const std::wstring kServiceProgram = kInstalledBin + L"\\DusklatchService.exe";
const std::wstring kInstalledSettings = Folder(CSIDL_COMMON_APPDATA) + L"\\Orvanta\\Dusklatch\\Dusklatch.ini";

std::wstring Msi()
{
    return Quoted(PackageFolder() + L".msi");
}

DWORD Msiexec(const std::wstring& arguments)
{
    return RunProcess(L"msiexec " + arguments + L" /qn", 180000).exitCode;
}

// The timeout values as type and bytes, "" for each one missing.
std::vector<std::string> TimeoutValues()
{
    const struct {
        HKEY root;
        const wchar_t* key;
        const wchar_t* name;
    } values[] = {{HKEY_USERS, kDesktopKey, L"SCRNSAVE.EXE"},
                  {HKEY_USERS, kDesktopKey, L"ScreenSaveActive"},
                  {HKEY_USERS, kDesktopKey, L"ScreenSaveTimeOut"},
                  {HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch"}};
    std::vector<std::string> read;
    for (const auto& value : values) {
        DWORD type = 0;
        std::vector<unsigned char> bytes;
        bool present = ReadRegistryValue(value.root, value.key, value.name, &type, &bytes);
        read.push_back(present ? std::to_string(type) + " " + std::string(bytes.begin(), bytes.end()) : "");
    }
    return read;
}

class InstallerPackage : public testing::Test {
protected:
    void SetUp() override
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager_);
        // A real machine has the logon desktop's key; a fresh prefix does not.
        ASSERT_TRUE(SetRegistryText(HKEY_USERS, kDesktopKey, L"DusklatchMark", L""));
    }

    void TearDown() override { CloseServiceHandle(manager_); }

    // Nothing of the product is on the machine but, perhaps, the settings file.
    void ExpectNothingInstalled()
    {
        EXPECT_FALSE(FileExists(kInstalledSaver));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kInstalledBin.c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kInstalledPolicy.c_str()));
        EXPECT_EQ(0u, CompanionServiceState(manager_));
        EXPECT_EQ(std::vector<std::string>(4), TimeoutValues());
    }

    SC_HANDLE manager_ = nullptr;
};

TEST_F(InstallerPackage, InstallsWithTheToolsBytesAndUninstallLeavesOnlyEditedSettings)
{
    // The values the build's own tools write (30 s becomes 90), then removed again.
    ASSERT_EQ(0u, RunTool(L"setsaverw.exe", L"30 /logon").exitCode);
    ASSERT_EQ(0u, RunTool(L"setautorun.exe", Quoted(kInstalledBin + L"\\setsaverw.exe") + L" 45").exitCode);
    const std::vector<std::string> expected = TimeoutValues();
    for (const wchar_t* name : {L"SCRNSAVE.EXE", L"ScreenSaveActive", L"ScreenSaveTimeOut"})
        DeleteRegistryValue(HKEY_USERS, kDesktopKey, name);
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch");

    ASSERT_EQ(0u, Msiexec(L"/i " + Msi() + L" LOGON_TIMEOUT=30 USER_TIMEOUT=45"));
    EXPECT_EQ(expected, TimeoutValues());
    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.scr"), FileContents(kInstalledSaver));
    for (const wchar_t* program : kPrograms)
        EXPECT_EQ(FileContents(PackageFolder() + L"\\bin\\" + program), FileContents(kInstalledBin + L"\\" + program))
            << Narrow(program);
    for (const wchar_t* policyFile : {L"\\Dusklatch.admx", L"\\en-US\\Dusklatch.adml"}) {
        const std::wstring installed = kInstalledPolicy + policyFile;
        EXPECT_TRUE(FileExists(installed)) << Narrow(installed);
        EXPECT_EQ(FileContents(PackageFolder() + L"\\policy" + policyFile), FileContents(installed));
    }
    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.ini"), FileContents(kInstalledSettings));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), CompanionServiceState(manager_));
    // The service and its event source name the package's own program.
    for (const auto& value :
         {std::make_pair(kServiceKey, L"ImagePath"), std::make_pair(kEventSourceKey, L"EventMessageFile")}) {
        DWORD type = 0;
        std::vector<unsigned char> bytes;
        EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, value.first, value.second, &type, &bytes));
        EXPECT_NE(std::wstring::npos, Utf16Text(bytes).find(kServiceProgram)) << Narrow(Utf16Text(bytes));
    }

    // Edited settings are the user's: uninstall and a new installation leave them.
    const std::vector<unsigned char> edited = Utf16Bytes(L"[Dusklatch]\r\ncountdown=42\r\n");
    ASSERT_TRUE(WriteFileBytes(kInstalledSettings, edited));
    ASSERT_EQ(0u, Msiexec(L"/x " + Msi()));
    ExpectNothingInstalled();
    EXPECT_EQ(edited, FileContents(kInstalledSettings));
    ASSERT_EQ(0u, Msiexec(L"/i " + Msi()));
    EXPECT_EQ(edited, FileContents(kInstalledSettings));
    EXPECT_EQ(std::vector<std::string>(4), TimeoutValues()) << "written without their properties";
    ASSERT_EQ(0u, Msiexec(L"/x " + Msi()));
    DeleteFileW(kInstalledSettings.c_str());
}

TEST_F(InstallerPackage, ABadTimeoutStopsTheInstallationBeforeAnythingIsWritten)
{
    DeleteFileW(kInstalledSettings.c_str());
    for (const wchar_t* property : {L"LOGON_TIMEOUT=abc", L"LOGON_TIMEOUT=0", L"USER_TIMEOUT=-5", L"USER_TIMEOUT=1.5"}) {
        EXPECT_EQ(1603u, Msiexec(L"/i " + Msi() + L" " + property)) << Narrow(property);
        ExpectNothingInstalled();
        EXPECT_FALSE(FileExists(kInstalledSettings)) << Narrow(property);
    }
}

}  // namespace

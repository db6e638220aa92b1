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
const wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DusklatchService";
const wchar_t* const kDesktopValues[] = {L"SCRNSAVE.EXE", L"ScreenSaveActive", L"ScreenSaveTimeOut"};
const wchar_t* const kPrograms[] = {L"svcctl.exe",       L"setsaver.exe",     L"setsaverw.exe",
                                    L"installsaver.exe", L"deployconfig.exe", L"setautorun.exe",
                                    L"DusklatchService.exe"};
const DWORD kInstallFailure = 1603;

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

std::wstring PackageFolder()
{
    return FullPath(ModuleFolder() + L"\\..\\package\\Dusklatch-2.1");
}

std::wstring MsiPath()
{
    return FullPath(ModuleFolder() + L"\\..\\package\\Dusklatch-2.1.msi");
}

std::wstring Folder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE);
    return folder;
}

// As a 32-bit process sees them: SysWOW64 and "Program Files (x86)" on 64-bit Windows.
std::wstring InstalledSaver()
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\Dusklatch.scr";
}

std::wstring InstalledBin()
{
    return Folder(CSIDL_PROGRAM_FILES) + L"\\Dusklatch\\bin";
}

std::wstring InstalledSettings()
{
    return Folder(CSIDL_COMMON_APPDATA) + L"\\Orvanta\\Dusklatch\\Dusklatch.ini";
}

DWORD Msiexec(const std::wstring& arguments)
{
    ProcessResult result = RunProcess(L"msiexec " + arguments + L" /qn", 180000);
    EXPECT_TRUE(result.finished) << Narrow(arguments);
    return result.exitCode;
}

struct RegistryValue {
    bool present = false;
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    bool operator==(const RegistryValue& other) const
    {
        return present == other.present && type == other.type && bytes == other.bytes;
    }
};

RegistryValue ReadValue(HKEY root, const wchar_t* key, const wchar_t* name)
{
    RegistryValue value;
    value.present = ReadRegistryValue(root, key, name, &value.type, &value.bytes);
    return value;
}

std::string Describe(const RegistryValue& value)
{
    return value.present ? std::to_string(value.type) + " " + Narrow(Utf16Text(value.bytes)) : "(missing)";
}

// The values setsaver and setautorun write themselves for these timeouts,
// taken from the tools of the build and then removed again.
struct ToolValues {
    RegistryValue desktop[3];
    RegistryValue run;
};

ToolValues WrittenByTheTools(const std::wstring& logonTimeout, const std::wstring& userTimeout)
{
    ToolValues values;
    EXPECT_EQ(0u, RunTool(L"setsaverw.exe", logonTimeout + L" /logon").exitCode);
    EXPECT_EQ(0u, RunTool(L"setautorun.exe", Quoted(InstalledBin() + L"\\setsaverw.exe") + L" " + userTimeout)
                      .exitCode);
    for (int i = 0; i < 3; ++i) {
        values.desktop[i] = ReadValue(HKEY_USERS, kDesktopKey, kDesktopValues[i]);
        DeleteRegistryValue(HKEY_USERS, kDesktopKey, kDesktopValues[i]);
    }
    values.run = ReadValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch");
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch");
    return values;
}

class InstallerPackage : public testing::Test {
protected:
    void SetUp() override
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager_);
        ASSERT_TRUE(FileExists(MsiPath())) << "build the dusklatch_msi target";
        // A real machine has the logon desktop's key; a fresh prefix does not.
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_USERS, kDesktopKey, 0, nullptr, 0, KEY_READ, nullptr,
                                                 &key, nullptr));
        RegCloseKey(key);
    }

    void TearDown() override { CloseServiceHandle(manager_); }

    // Nothing of the product is on the machine but, perhaps, the settings file.
    void ExpectNothingInstalled()
    {
        EXPECT_FALSE(FileExists(InstalledSaver()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledBin().c_str()));
        EXPECT_EQ(0u, CompanionServiceState(manager_));
        for (const wchar_t* name : kDesktopValues)
            EXPECT_FALSE(ReadValue(HKEY_USERS, kDesktopKey, name).present) << Narrow(name);
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch").present);
        EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile").present);
    }

    SC_HANDLE manager_ = nullptr;
};

TEST_F(InstallerPackage, InstallsWithTheToolsBytesAndUninstallLeavesOnlyEditedSettings)
{
    // 30 is below a minute: setsaver stores 90 for it; the Run value keeps the text.
    const ToolValues expected = WrittenByTheTools(L"30", L"45");
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(MsiPath()) + L" LOGON_TIMEOUT=30 USER_TIMEOUT=45"));

    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.scr"), FileContents(InstalledSaver()));
    for (const wchar_t* program : kPrograms)
        EXPECT_EQ(FileContents(PackageFolder() + L"\\bin\\" + program), FileContents(InstalledBin() + L"\\" + program))
            << Narrow(program);
    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.ini"), FileContents(InstalledSettings()));
    for (int i = 0; i < 3; ++i) {
        RegistryValue actual = ReadValue(HKEY_USERS, kDesktopKey, kDesktopValues[i]);
        EXPECT_EQ(expected.desktop[i], actual)
            << Narrow(kDesktopValues[i]) << ": " << Describe(expected.desktop[i]) << " / " << Describe(actual);
    }
    RegistryValue run = ReadValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch");
    EXPECT_EQ(expected.run, run) << Describe(expected.run) << " / " << Describe(run);

    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), CompanionServiceState(manager_));
    SC_HANDLE service = OpenServiceW(manager_, L"DusklatchService", SERVICE_QUERY_CONFIG);
    ASSERT_NE(nullptr, service);
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                    static_cast<DWORD>(buffer.size()), &needed));
    const QUERY_SERVICE_CONFIGW* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ("LocalSystem", Narrow(config->lpServiceStartName));
    EXPECT_EQ("Dusklatch Service", Narrow(config->lpDisplayName));
    ASSERT_TRUE(QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), &needed));
    EXPECT_EQ(kCompanionDescription, Narrow(reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data())->lpDescription));
    CloseServiceHandle(service);
    RegistryValue messageFile = ReadValue(HKEY_LOCAL_MACHINE, kEventSourceKey, L"EventMessageFile");
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), messageFile.type);
    EXPECT_EQ(InstalledBin() + L"\\DusklatchService.exe" + std::wstring(1, L'\0'), Utf16Text(messageFile.bytes));

    // The settings are the user's once edited: uninstall and a new
    // installation both leave them as they are.
    const std::vector<unsigned char> edited = Utf16Bytes(L"[Dusklatch]\r\ncountdown=42\r\n");
    ASSERT_TRUE(WriteFileBytes(InstalledSettings(), edited));
    ASSERT_EQ(0u, Msiexec(L"/x " + Quoted(MsiPath())));
    ExpectNothingInstalled();
    EXPECT_EQ(edited, FileContents(InstalledSettings()));

    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(MsiPath())));
    EXPECT_EQ(edited, FileContents(InstalledSettings()));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), CompanionServiceState(manager_));
    // Without the properties neither value is written.
    EXPECT_FALSE(ReadValue(HKEY_USERS, kDesktopKey, L"SCRNSAVE.EXE").present);
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch").present);
    ASSERT_EQ(0u, Msiexec(L"/x " + Quoted(MsiPath())));
    ExpectNothingInstalled();
    DeleteFileW(InstalledSettings().c_str());
}

TEST_F(InstallerPackage, ABadTimeoutStopsTheInstallationBeforeAnythingIsWritten)
{
    DeleteFileW(InstalledSettings().c_str());
    const wchar_t* const properties[] = {L"LOGON_TIMEOUT=abc", L"LOGON_TIMEOUT=0", L"USER_TIMEOUT=-5",
                                         L"USER_TIMEOUT=1.5"};
    for (const wchar_t* property : properties) {
        EXPECT_EQ(kInstallFailure, Msiexec(L"/i " + Quoted(MsiPath()) + L" " + property)) << Narrow(property);
        ExpectNothingInstalled();
        EXPECT_FALSE(FileExists(InstalledSettings())) << Narrow(property);
    }
}

}  // namespace

// installsaver and deployconfig run from a package folder ...\Pkg\bin\ against
// Wine's system directory and all-users application-data folder.
#include "tool_process_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<unsigned char> Bytes(const char* text)
{
    return std::vector<unsigned char>(text, text + strlen(text));
}

std::wstring SystemSaver()
{
    return SystemDirectoryFile(L"Dusklatch.scr");
}

class ToolDeploy : public ::testing::Test {
protected:
    void SetUp() override
    {
        package_ = scratch_.Path() + L"\\Pkg\\";
        ASSERT_TRUE(CreateDirectoryW(package_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((package_ + L"bin").c_str(), nullptr));
        for (const wchar_t* tool : {L"installsaver.exe", L"deployconfig.exe"})
            ASSERT_TRUE(CopyFileW(BinPath(tool).c_str(), (package_ + L"bin\\" + tool).c_str(), FALSE));
        // The same names beside the tools must not be taken.
        ASSERT_TRUE(WriteFileBytes(package_ + L"Dusklatch.scr", Bytes("saver from the package")));
        ASSERT_TRUE(WriteFileBytes(package_ + L"bin\\Dusklatch.scr", Bytes("decoy beside the tool")));
        ASSERT_TRUE(WriteFileBytes(package_ + L"Dusklatch.ini", Bytes("settings from the package")));
        ASSERT_TRUE(WriteFileBytes(package_ + L"bin\\Dusklatch.ini", Bytes("decoy beside the tool")));
    }

    ProcessResult RunPackageTool(const wchar_t* tool)
    {
        return RunProcess(Quoted(package_ + L"bin\\" + tool) + L" ignored arguments", 30000);
    }
    static std::string CopyError(const std::wstring& source, const std::wstring& target)
    {
        return "Error copying \"" + Narrow(source) + "\" to \"" + Narrow(target) + "\"!\r\n";
    }

    ScratchFolder scratch_{L"DusklatchDeployTest"};
    std::wstring package_;
    SavedFile savedSaver_{SystemSaver()};
    SavedFile savedSettings_{SettingsFile()};
};

TEST_F(ToolDeploy, InstallSaverCopiesFromThePackageOverAnOldFile)
{
    ASSERT_TRUE(WriteFileBytes(SystemSaver(), Bytes("an older saver")));
    ProcessResult result = RunPackageTool(L"installsaver.exe");
    EXPECT_EQ("Dusklatch installed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Bytes("saver from the package"), FileContents(SystemSaver()));
}

TEST_F(ToolDeploy, InstallSaverWithoutSourceNamesBothPaths)
{
    ASSERT_TRUE(DeleteFileW((package_ + L"Dusklatch.scr").c_str()));
    DeleteFileW(SystemSaver().c_str());
    ProcessResult result = RunPackageTool(L"installsaver.exe");
    EXPECT_EQ(CopyError(package_ + L"Dusklatch.scr", SystemSaver()), result.output);
    EXPECT_EQ(0xFFFFFFFFu, result.exitCode);
    EXPECT_FALSE(FileExists(SystemSaver()));
}

TEST_F(ToolDeploy, DeployConfigMakesItsFoldersAndReplacesTheFile)
{
    RemoveTree(SettingsFolder());
    ProcessResult result = RunPackageTool(L"deployconfig.exe");
    EXPECT_EQ("Configuration file deployed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Bytes("settings from the package"), FileContents(SettingsFile()));

    // A second run finds both folders and replaces the file.
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), Bytes("edited since")));
    result = RunPackageTool(L"deployconfig.exe");
    EXPECT_EQ("Configuration file deployed.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(Bytes("settings from the package"), FileContents(SettingsFile()));
}

TEST_F(ToolDeploy, DeployConfigWithoutSourceHasStillMadeItsFolders)
{
    RemoveTree(SettingsFolder());
    const std::wstring vendorFolder = SettingsFolder().substr(0, SettingsFolder().rfind(L'\\'));
    RemoveDirectoryW(vendorFolder.c_str());
    ASSERT_FALSE(FileExists(vendorFolder));
    ASSERT_TRUE(DeleteFileW((package_ + L"Dusklatch.ini").c_str()));
    ProcessResult result = RunPackageTool(L"deployconfig.exe");
    EXPECT_EQ(CopyError(package_ + L"Dusklatch.ini", SettingsFile()), result.output);
    EXPECT_EQ(0xFFFFFFFFu, result.exitCode);
    EXPECT_TRUE(FileExists(SettingsFolder()));
    EXPECT_FALSE(FileExists(SettingsFile()));
}

TEST_F(ToolDeploy, ToolInADrivesRootNeverCopiesFromADriveRelativePath)
{
    // Cut twice, C:\installsaver.exe would leave "C:", and "C:Dusklatch.scr"
    // names a file in the drive's current folder: here C:\ itself, where a
    // file of that name waits to be taken by mistake.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring root = std::wstring(windows, 3);
    SavedFile rootSaver(root + L"Dusklatch.scr");
    SavedFile rootSettings(root + L"Dusklatch.ini");
    ASSERT_TRUE(WriteFileBytes(root + L"Dusklatch.scr", Bytes("not a package")));
    ASSERT_TRUE(WriteFileBytes(root + L"Dusklatch.ini", Bytes("not a package")));
    DeleteFileW(SystemSaver().c_str());
    DeleteFileW(SettingsFile().c_str());
    for (const wchar_t* tool : {L"installsaver.exe", L"deployconfig.exe"}) {
        const std::wstring copy = root + tool;
        SavedFile savedTool(copy);
        ASSERT_TRUE(CopyFileW(BinPath(tool).c_str(), copy.c_str(), FALSE));
        ProcessResult result = RunProcess(Quoted(copy), 30000);
        EXPECT_EQ("Error: cannot find the package folder!\r\n", result.output) << Narrow(tool);
        EXPECT_EQ(0xFFFFFFFFu, result.exitCode);
    }
    EXPECT_FALSE(FileExists(SystemSaver()));
    EXPECT_FALSE(FileExists(SettingsFile()));
}

// Points the all-users application-data folder elsewhere for one test: Wine
// names the folder from this value.
class RedirectedAllUsersFolder {
public:
    explicit RedirectedAllUsersFolder(const std::wstring& folder)
    {
        HKEY key = nullptr;
        ok_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kShellFolders, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS;
        if (ok_) {
            ok_ = RegSetValueExW(key, L"Common AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    bool Ok() const { return ok_; }

private:
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    SavedRegistryValue saved_{HKEY_LOCAL_MACHINE, kShellFolders, L"Common AppData"};
    bool ok_ = false;
};

TEST_F(ToolDeploy, DeployConfigSaysSoWhenTheAllUsersFolderIsUnknown)
{
    // The platform cannot create a folder on a drive that does not exist, and
    // then has no folder to report.
    ASSERT_FALSE(FileExists(L"Q:\\"));
    RedirectedAllUsersFolder redirected(L"Q:\\nowhere");
    ASSERT_TRUE(redirected.Ok());
    ProcessResult result = RunPackageTool(L"deployconfig.exe");
    EXPECT_EQ("Error: cannot find the all-users application data folder!\r\n", result.output);
    EXPECT_EQ(0xFFFFFFFFu, result.exitCode);
}

TEST_F(ToolDeploy, DeployConfigRefusesATargetPathTooLongForItsBuffer)
{
    // 235 units of folder and 32 of "\Orvanta\Dusklatch\Dusklatch.ini" make 267.
    const std::wstring longFolder = scratch_.Path() + L"\\" + std::wstring(234 - scratch_.Path().size(), L'f');
    ASSERT_EQ(235u, longFolder.size());
    RedirectedAllUsersFolder redirected(longFolder);
    ASSERT_TRUE(redirected.Ok());
    ProcessResult result = RunPackageTool(L"deployconfig.exe");
    EXPECT_EQ("Error: target path too long!\r\n", result.output);
    EXPECT_EQ(0xFFFFFFFFu, result.exitCode);
    // The folder itself was made by the platform on request; nothing below it.
    EXPECT_TRUE(FileExists(longFolder));
    EXPECT_FALSE(FileExists(longFolder + L"\\Orvanta"));
}

}  // namespace

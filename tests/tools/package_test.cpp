// The installation package the build writes beside bin: its layout, the
// prepared settings file's bytes, and an installation from it. The policy
// template's bytes are compared with the source by the host check.
#include "tool_process_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t* const kTools[] = {L"svcctl.exe",       L"setsaver.exe",     L"setsaverw.exe",
                                 L"installsaver.exe", L"deployconfig.exe", L"setautorun.exe",
                                 L"DusklatchService.exe"};

TEST(ToolInstallationPackage, HoldsTheSaverThePreparedSettingsTheToolsAndThePolicyTemplate)
{
    const std::wstring package = PackageFolder();
    ASSERT_TRUE(FileExists(package + L"\\Dusklatch.scr")) << "build the dusklatch_package target";
    EXPECT_EQ(FileContents(BinPath(L"Dusklatch.scr")), FileContents(package + L"\\Dusklatch.scr"));
    for (const wchar_t* tool : kTools)
        EXPECT_EQ(FileContents(BinPath(tool)), FileContents(package + L"\\bin\\" + tool)) << Narrow(tool);
    EXPECT_TRUE(FileExists(package + L"\\policy\\Dusklatch.admx"));
    EXPECT_TRUE(FileExists(package + L"\\policy\\en-US\\Dusklatch.adml"));

    std::vector<unsigned char> zip = FileContents(package + L".zip");
    ASSERT_GE(zip.size(), 4u);
    EXPECT_EQ("PK\x03\x04", std::string(zip.begin(), zip.begin() + 4));
}

TEST(ToolInstallationPackage, PreparedSettingsAreTheDefaultsInUtf16WithCrLf)
{
    // No byte order mark, CR LF after every line, the last one included.
    const std::wstring expected = L"[Dusklatch]\r\nshutdown_type=1\r\nforce=true\r\ncountdown=900\r\n"
                                  L"eblris=true\r\nperform_task=false\r\ntask_job=\r\n";
    EXPECT_EQ(Utf16Bytes(expected), FileContents(PackageFolder() + L"\\Dusklatch.ini"));
}

TEST(ToolInstallationPackage, InstallsWithItsOwnTools)
{
    const std::wstring installedSaver = SystemDirectoryFile(L"Dusklatch.scr");
    SavedFile savedSaver(installedSaver);
    SavedFile savedSettings(SettingsFile());
    DeleteFileW(installedSaver.c_str());
    RemoveSettingsFile();
    const std::wstring bin = PackageFolder() + L"\\bin\\";

    ProcessResult result = RunProcess(Quoted(bin + L"installsaver.exe"));
    EXPECT_EQ("Dusklatch installed.\r\n", result.output);
    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.scr"), FileContents(installedSaver));

    result = RunProcess(Quoted(bin + L"deployconfig.exe"));
    EXPECT_EQ("Configuration file deployed.\r\n", result.output);
    EXPECT_EQ(FileContents(PackageFolder() + L"\\Dusklatch.ini"), FileContents(SettingsFile()));
}

}  // namespace

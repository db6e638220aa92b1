// setautorun run as a process against Wine's machine-wide Run key.
#include "tool_process_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class ToolSetAutorun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch")); }

    static bool Stored(DWORD* type, std::vector<unsigned char>* bytes)
    {
        return ReadRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch", type, bytes);
    }

    SavedRegistryValue saved_{HKEY_LOCAL_MACHINE, kRunKey, L"Dusklatch"};
};

TEST_F(ToolSetAutorun, UsageUnlessExactlyTwoArguments)
{
    for (const wchar_t* arguments : {L"", L"C:\\x.exe", L"C:\\x.exe 600 more"}) {
        ProcessResult result = RunTool(L"setautorun.exe", arguments);
        EXPECT_EQ("usage: " + Narrow(BinPath(L"setautorun.exe")) + " filepath timeout", result.output);
        EXPECT_EQ(1u, result.exitCode);
        DWORD type = 0;
        std::vector<unsigned char> bytes;
        EXPECT_FALSE(Stored(&type, &bytes));
    }
}

TEST_F(ToolSetAutorun, QuotedPathWithSpacesAndTimeoutTextReplacedOnASecondRun)
{
    ProcessResult result =
        RunTool(L"setautorun.exe", L"\"C:\\Program Files\\Dusklatch 2.1\\bin\\setsaverw.exe\" \"ten minutes\"");
    EXPECT_EQ("Dusklatch set for all users.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    // Exactly the characters: no terminating null in the stored size.
    EXPECT_EQ(Utf16Bytes(L"\"C:\\Program Files\\Dusklatch 2.1\\bin\\setsaverw.exe\" ten minutes"), bytes);

    result = RunTool(L"setautorun.exe", L"C:\\Pkg\\bin\\setsaverw.exe 600");
    EXPECT_EQ("Dusklatch set for all users.\r\n", result.output);
    EXPECT_EQ(0u, result.exitCode);
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(Utf16Bytes(L"\"C:\\Pkg\\bin\\setsaverw.exe\" 600"), bytes);
}

TEST_F(ToolSetAutorun, CommandLongerThanItsBufferIsRefusedWhole)
{
    ASSERT_EQ(0u, RunTool(L"setautorun.exe", L"C:\\x.exe 600").exitCode);
    // 255 path units with quotes, a space and "60" make 260: one too many.
    const std::wstring path = L"C:\\" + std::wstring(252, L'p');
    ProcessResult result = RunTool(L"setautorun.exe", path + L" 60");
    EXPECT_EQ("Error: command too long!\r\n", result.output);
    EXPECT_EQ(4u, result.exitCode);
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(Utf16Bytes(L"\"C:\\x.exe\" 600"), bytes);

    result = RunTool(L"setautorun.exe", path + L" 6");
    EXPECT_EQ("Dusklatch set for all users.\r\n", result.output);
    ASSERT_TRUE(Stored(&type, &bytes));
    EXPECT_EQ(259u * 2, bytes.size());
}

}  // namespace

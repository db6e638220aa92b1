// The tools' pure pieces: console bytes, argument reading, paths, the Run
// command, the link verdict.
#include "autorun_command.h"
#include "screen_saver_selection.h"
#include "settings_target.h"
#include "tool_arguments.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <gtest/gtest.h>

#include <limits.h>

#include <string>

namespace {

std::string Encode(const std::wstring& text, size_t capacity, size_t* consumed)
{
    std::string bytes(capacity, '\0');
    size_t count = EncodeConsoleBytes(text.c_str(), text.size(), &bytes[0], capacity, consumed);
    bytes.resize(count);
    return bytes;
}

TEST(ToolConsoleBytes, LineEndsBecomeCrLfAsInTextMode)
{
    const struct {
        const wchar_t* text;
        const char* bytes;
    } rows[] = {
        {L"Dusklatch set.\n", "Dusklatch set.\r\n"},
        {L"Unknown command ()\n\n", "Unknown command ()\r\n\r\n"},
        {L"usage: x timeout [/logon]", "usage: x timeout [/logon]"},
        {L"\n", "\r\n"},
        {L"", ""},
    };
    for (const auto& row : rows) {
        size_t consumed = 0;
        EXPECT_EQ(row.bytes, Encode(row.text, 256, &consumed)) << row.bytes;
        EXPECT_EQ(wcslen(row.text), consumed);
    }
}

TEST(ToolConsoleBytes, StopsAtAFullBufferWithoutSplittingALineEnd)
{
    size_t consumed = 0;
    EXPECT_EQ("abc", Encode(L"abc\ndef", 4, &consumed));
    EXPECT_EQ(3u, consumed);
    EXPECT_EQ("abc\r\n", Encode(L"abc\ndef", 5, &consumed));
    EXPECT_EQ(4u, consumed);
    // A surrogate pair is kept whole for the next piece.
    EXPECT_EQ("ab", Encode(std::wstring(L"ab\xD83D\xDE00", 4), 3, &consumed));
    EXPECT_EQ(2u, consumed);
}

TEST(ToolConsoleBytes, NumberLines)
{
    const struct {
        long value;
        const wchar_t* line;
    } rows[] = {
        {1060, L"OpenService failed (1060)\n"},
        {0, L"OpenService failed (0)\n"},
        {-1, L"OpenService failed (-1)\n"},
        {LONG_MIN, L"OpenService failed (-2147483648)\n"},
        {LONG_MAX, L"OpenService failed (2147483647)\n"},
    };
    for (const auto& row : rows) {
        wchar_t line[64];
        ASSERT_TRUE(FormatNumberLine(L"OpenService failed (", row.value, L")\n", line, 64));
        EXPECT_STREQ(row.line, line);
    }
    wchar_t small[8];
    EXPECT_FALSE(FormatNumberLine(L"1234", 567, L"8", small, 8));
    EXPECT_TRUE(FormatNumberLine(L"1234", 56, L"7", small, 8));
    EXPECT_STREQ(L"1234567", small);
}

TEST(ToolArguments, IntegerReadingAsTheStandardConversionWithoutOverflow)
{
    const struct {
        const wchar_t* text;
        long value;
    } rows[] = {
        {L"600", 600},       {L"  59", 59},          {L"\t+60", 60},         {L"-5", -5},
        {L"0", 0},           {L"ten", 0},            {L"", 0},               {L"12abc", 12},
        {L"- 5", 0},         {L"+-5", 0},            {L"2147483647", LONG_MAX},
        {L"2147483648", LONG_MAX},                   {L"99999999999999999999", LONG_MAX},
        {L"-2147483648", LONG_MIN},                  {L"-2147483649", LONG_MIN},
        {L"-99999999999999999999", LONG_MIN},        {L"4294967386", LONG_MAX},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.value, ReadIntegerArgument(row.text)) << "\"" << std::string(row.text, row.text + wcslen(row.text)) << "\"";
}

TEST(ToolArguments, StoredTimeout)
{
    const struct {
        long requested;
        bool stored;
        long value;
    } rows[] = {{600, true, 600}, {60, true, 60},  {59, true, 90},  {1, true, 90},
                {0, false, 0},    {-5, false, 0},  {LONG_MIN, false, 0}, {LONG_MAX, true, LONG_MAX}};
    for (const auto& row : rows) {
        long value = 0;
        EXPECT_EQ(row.stored, StoredTimeout(row.requested, &value)) << row.requested;
        if (row.stored) {
            EXPECT_EQ(row.value, value) << row.requested;
        }
    }
}

TEST(ToolArguments, LogonSwitchIgnoresOnlyAsciiCase)
{
    EXPECT_TRUE(EqualsIgnoringAsciiCase(L"/logon", L"/logon"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase(L"/LOGON", L"/logon"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase(L"/LoGoN", L"/logon"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(L"/logon2", L"/logon"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(L"/logo", L"/logon"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(L"logon", L"/logon"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(L"", L"/logon"));
}

TEST(ToolArguments, CommandWordIsCutNotRefused)
{
    wchar_t word[10];
    CutArgument(L"startservice", word, 10);
    EXPECT_STREQ(L"startserv", word);
    CutArgument(L"stop", word, 10);
    EXPECT_STREQ(L"stop", word);
    CutArgument(L"", word, 10);
    EXPECT_STREQ(L"", word);
}

TEST(ToolPaths, PackageFolderIsOneAboveTheProgramsFolder)
{
    const struct {
        const wchar_t* module;
        const wchar_t* folder;  // nullptr: refused
    } rows[] = {
        {L"C:\\Pkg\\bin\\installsaver.exe", L"C:\\Pkg\\"},
        {L"C:\\Pkg\\tools\\deployconfig.exe", L"C:\\Pkg\\"},
        {L"Z:\\a b\\c d\\bin\\x.exe", L"Z:\\a b\\c d\\"},
        {L"C:\\bin\\installsaver.exe", L"C:\\"},
        {L"C:\\installsaver.exe", nullptr},
        {L"\\\\server\\share\\Pkg\\bin\\x.exe", L"\\\\server\\share\\Pkg\\"},
        {L"\\\\server\\share\\bin\\x.exe", L"\\\\server\\share\\"},
        {L"\\\\server\\share\\x.exe", nullptr},
        {L"\\\\?\\C:\\Pkg\\bin\\x.exe", L"\\\\?\\C:\\Pkg\\"},
        {L"\\\\?\\C:\\x.exe", nullptr},
        {L"\\\\?\\UNC\\server\\share\\x.exe", nullptr},
        {L"\\\\?\\UNC\\server\\share\\bin\\x.exe", L"\\\\?\\UNC\\server\\share\\"},
        {L"installsaver.exe", nullptr},
    };
    for (const auto& row : rows) {
        wchar_t folder[MAX_PATH] = L"unchanged";
        bool found = PackageFolderFromModulePath(row.module, folder, MAX_PATH);
        std::string name(row.module, row.module + wcslen(row.module));
        EXPECT_EQ(row.folder != nullptr, found) << name;
        if (row.folder) {
            EXPECT_STREQ(row.folder, folder) << name;
        }
    }
}

TEST(ToolPaths, AppendRefusesWhatWouldNotFit)
{
    wchar_t buffer[8] = L"abc";
    EXPECT_TRUE(AppendText(buffer, 8, L"defg"));
    EXPECT_STREQ(L"abcdefg", buffer);
    EXPECT_FALSE(AppendText(buffer, 8, L"h"));
    EXPECT_STREQ(L"abcdefg", buffer);
    EXPECT_FALSE(CopyWholeText(buffer, 8, L"12345678"));
    EXPECT_STREQ(L"abcdefg", buffer);
    EXPECT_TRUE(CopyWholeText(buffer, 8, L"1234567"));
}

TEST(ToolPaths, PackageFolderThatWouldNotFitIsRefused)
{
    std::wstring module = L"C:\\" + std::wstring(300, L'p') + L"\\bin\\x.exe";
    wchar_t folder[MAX_PATH];
    EXPECT_FALSE(PackageFolderFromModulePath(module.c_str(), folder, MAX_PATH));
}

TEST(ToolPaths, SystemFilePath)
{
    wchar_t system[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(BuildSystemFilePath(L"Dusklatch.scr", path, MAX_PATH));
    EXPECT_EQ(std::wstring(system) + L"\\Dusklatch.scr", path);
    EXPECT_FALSE(BuildSystemFilePath(L"Dusklatch.scr", path, wcslen(system) + 5));
}

TEST(ToolPaths, SaverPathNamesTheFolderWhereThe32BitCopyLies)
{
    // 245 units of folder, a backslash, 13 of Dusklatch.scr and the terminator make 260.
    const std::wstring longest = L"C:\\" + std::wstring(242, L'w');
    const std::wstring tooLong = longest + L"w";
    const struct {
        const char* label;
        std::wstring systemFolder;
        std::wstring wow64Folder;  // empty: not under WOW64, or not found
        std::wstring path;         // empty: refused
    } rows[] = {
        {"32-bit Windows", L"C:\\WINNT\\system32", L"", L"C:\\WINNT\\system32\\Dusklatch.scr"},
        {"WOW64", L"C:\\Windows\\system32", L"C:\\Windows\\SysWOW64", L"C:\\Windows\\SysWOW64\\Dusklatch.scr"},
        {"no folder at all", L"", L"", L""},
        {"longest system folder", longest, L"", longest + L"\\Dusklatch.scr"},
        {"WOW64 folder too long", L"C:\\Windows\\system32", tooLong, L""},
    };
    for (const auto& row : rows) {
        wchar_t path[MAX_PATH] = L"unchanged";
        bool formed = FormSaverPath(row.systemFolder.c_str(), row.wow64Folder.c_str(), path, MAX_PATH);
        EXPECT_EQ(!row.path.empty(), formed) << row.label;
        if (formed) {
            EXPECT_EQ(row.path, path) << row.label;
        }
    }
}

TEST(ToolSettingsTarget, OnlyAReparsePointIsALink)
{
    const struct {
        const char* name;
        DWORD attributes;
        bool link;
    } rows[] = {
        {"missing path", INVALID_FILE_ATTRIBUTES, false},
        {"plain folder", FILE_ATTRIBUTE_DIRECTORY, false},
        {"plain file", FILE_ATTRIBUTE_ARCHIVE, false},
        {"file with no other attribute", FILE_ATTRIBUTE_NORMAL, false},
        {"read-only hidden system folder",
         FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false},
        {"junction", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, true},
        {"symbolic link to a file", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, true},
        {"reparse point alone", FILE_ATTRIBUTE_REPARSE_POINT, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.link, AttributesNameALink(row.attributes)) << row.name;
}

TEST(ToolAutorunCommand, CommandIsTheQuotedPathASpaceAndTheTimeout)
{
    wchar_t command[MAX_PATH];
    ASSERT_TRUE(ComposeAutorunCommand(L"C:\\Pkg\\bin\\setsaverw.exe", L"600", command, MAX_PATH));
    EXPECT_STREQ(L"\"C:\\Pkg\\bin\\setsaverw.exe\" 600", command);
    ASSERT_TRUE(ComposeAutorunCommand(L"C:\\Program Files\\x.exe", L"ten minutes", command, MAX_PATH));
    EXPECT_STREQ(L"\"C:\\Program Files\\x.exe\" ten minutes", command);
    ASSERT_TRUE(ComposeAutorunCommand(L"", L"", command, MAX_PATH));
    EXPECT_STREQ(L"\"\" ", command);

    // 259 units fit with the terminator; 260 do not.
    std::wstring path(255, L'p');
    EXPECT_TRUE(ComposeAutorunCommand(path.c_str(), L"1", command, MAX_PATH));
    EXPECT_EQ(259u, wcslen(command));
    EXPECT_FALSE(ComposeAutorunCommand(path.c_str(), L"12", command, MAX_PATH));
}

}  // namespace

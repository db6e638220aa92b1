// The settings store against real files in the prefix's ProgramData.
#include "settings_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using SettingsFileTest = SettingsFixture;

void WriteRawSettings(const std::wstring& text)
{
    ASSERT_TRUE(WriteSettingsLines({}));
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), Utf16Bytes(text)));
}

std::wstring StringValue(const wchar_t* key, size_t capacity = 260)
{
    std::vector<wchar_t> buffer(capacity + 1, L'#');
    EXPECT_TRUE(GetStringValue(key, buffer.data(), capacity, L"(default)"));
    return buffer.data();
}

}  // namespace

// Each row: the file as found (null: no file), the keys set, the file written.
TEST_F(SettingsFileTest, RoundTripKeepsEveryLineAndAppendsMissingKeys)
{
    struct {
        const char* name;
        const wchar_t* before;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> set;
        const wchar_t* after;
    } const kCases[] = {
        {"no file gets the header first", nullptr, {{L"countdown", L"60"}, {L"force", L"false"}},
         L"[Dusklatch]\r\ncountdown=60\r\nforce=false\r\n"},
        {"no header is added to a file without one", L"countdown=5\r\n", {{L"shutdown_type", L"4"}},
         L"countdown=5\r\nshutdown_type=4\r\n"},
        {"empty file", L"", {{L"countdown", L"60"}}, L"countdown=60\r\n"},
        {"comments, other sections, blanks and unknown keys stay",
         L"[Dusklatch]\r\n; remark\r\n\r\n[Other]\r\nlogon_countdown=30\r\nmystery=1\r\ncountdown=5\r\n",
         {{L"countdown", L"7"}, {L"eblris", L"true"}},
         L"[Dusklatch]\r\n; remark\r\n\r\n[Other]\r\nlogon_countdown=30\r\nmystery=1\r\ncountdown=7\r\neblris=true\r\n"},
        {"first of two equal keys is changed", L"countdown=1\r\ncountdown=2\r\n", {{L"countdown", L"3"}},
         L"countdown=3\r\ncountdown=2\r\n"},
        {"letter case of a key is kept", L"COUNTDOWN=1\r\nForce=true\r\n",
         {{L"countdown", L"3"}, {L"force", L"false"}}, L"COUNTDOWN=3\r\nForce=false\r\n"},
        {"blanks around = belong to key and value", L"countdown = 60\r\n", {{L"countdown", L"9"}},
         L"countdown = 60\r\ncountdown=9\r\n"},
        {"only the first = separates", L"task_job=cmd /c set a=b\r\n", {{L"force", L"true"}},
         L"task_job=cmd /c set a=b\r\nforce=true\r\n"},
        {"a line starting with = is kept whole", L"==orphan\r\n", {}, L"==orphan\r\n"},
        {"a line starting with CR becomes blank", L"\rjunk\r\nx=1\r\n", {}, L"\r\nx=1\r\n"},
        {"a byte-order mark before the header is kept", L"\xFEFF[Dusklatch]\r\n", {{L"countdown", L"1"}},
         L"\xFEFF[Dusklatch]\r\ncountdown=1\r\n"},
        {"an empty value keeps its =", L"task_job=\r\n", {}, L"task_job=\r\n"},
        {"LF-only lines are written back with CR LF", L"force=false\nx\n", {}, L"force=false\r\nx\r\n"},
        {"last line without line end", L"countdown=5", {{L"countdown", L"6"}}, L"countdown=6\r\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.before)
            WriteRawSettings(c.before);
        ReadSettingsFile();
        for (const auto& kv : c.set)
            SetValue(kv.first, kv.second);
        ASSERT_TRUE(WriteSettingsFile());
        EXPECT_EQ(std::wstring(c.after), ReadSettingsText());
    }
}

TEST_F(SettingsFileTest, LookupsFindKeysWhereverTheyStand)
{
    WriteRawSettings(L"[Other]\r\nCountDown=42\r\n\xFEFFshutdown_type=4\r\ncountdown = 7\r\n"
                     L"task_job=a=b\r\nforce=false\n");
    ReadSettingsFile();
    EXPECT_EQ(42, GetIntValue(L"countdown", 900));
    EXPECT_EQ(1, GetIntValue(L"shutdown_type", 1)) << "a BOM makes the key its own";
    EXPECT_EQ(L"a=b", StringValue(L"task_job"));
    EXPECT_EQ(L"false", StringValue(L"force")) << "a trailing LF is not part of the value";
    EXPECT_EQ(L"(default)", StringValue(L"eblris"));
    EXPECT_EQ(-3, GetIntValue(L"missing", -3));
}

TEST_F(SettingsFileTest, MissingFileHoldsOnlyTheHeader)
{
    ReadSettingsFile();
    ASSERT_EQ(1u, g_settingsStore.Count());
    EXPECT_EQ(0u, g_settingsStore.At(0).KeyLength());
    EXPECT_EQ(std::wstring(L"[Dusklatch]"), g_settingsStore.At(0).Value());
    EXPECT_EQ(900, GetIntValue(L"countdown", 900));
}

TEST_F(SettingsFileTest, EightBitFileGivesDefaults)
{
    const char ascii[] = "[Dusklatch]\r\ncountdown=5\r\nforce=false\r\n";
    ASSERT_TRUE(WriteSettingsLines({}));
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), std::vector<unsigned char>(ascii, ascii + sizeof(ascii) - 1)));
    ReadSettingsFile();
    EXPECT_EQ(900, GetIntValue(L"countdown", 900));
    EXPECT_EQ(L"(default)", StringValue(L"force"));
}

TEST_F(SettingsFileTest, LongLinesStayWholeAndValuesAreCutToCapacity)
{
    std::wstring longValue(10000, L'x');
    longValue[8190] = L'=';  // would start a key line of its own if the line were split
    WriteRawSettings(L"task_job=" + longValue + L"\r\nnote=" + std::wstring(300, L'n') + L"\r\n");
    ReadSettingsFile();
    ASSERT_EQ(2u, g_settingsStore.Count());
    EXPECT_EQ(longValue, StringValue(L"task_job", 20000));
    EXPECT_EQ(std::wstring(259, L'n'), StringValue(L"note", 260));
    ASSERT_TRUE(WriteSettingsFile());
    EXPECT_EQ(L"task_job=" + longValue + L"\r\nnote=" + std::wstring(300, L'n') + L"\r\n", ReadSettingsText());
}

TEST_F(SettingsFileTest, StringValueTerminatesAtEveryCapacity)
{
    WriteRawSettings(L"word=abcdef\r\n");
    ReadSettingsFile();
    struct {
        size_t capacity;
        const wchar_t* expected;
    } const kCases[] = {{1, L""}, {2, L"a"}, {6, L"abcde"}, {7, L"abcdef"}, {50, L"abcdef"}};
    for (const auto& c : kCases)
        EXPECT_EQ(std::wstring(c.expected), StringValue(L"word", c.capacity)) << c.capacity;
}

TEST(SettingsNumbers, ParseLikeTheCRuntimeButSaturate)
{
    struct {
        const wchar_t* text;
        int32_t expected;
    } const kCases[] = {
        {L"60", 60}, {L"-5", -5}, {L"60s", 60}, {L"abc", 0}, {L"", 0}, {L" \t60", 60},
        {L"+7", 7}, {L"- 7", 0}, {L"2147483647", 2147483647}, {L"-2147483648", INT32_MIN},
        {L"2147483648", INT32_MAX}, {L"99999999999999999999999", INT32_MAX},
        {L"-99999999999999999999999", INT32_MIN}, {L"0000000000000000000000042", 42},
    };
    for (const auto& c : kCases) {
        std::wstring text(c.text);
        EXPECT_EQ(c.expected, ParseSettingsInt(text.c_str(), text.size())) << "\"" << text << "\"";
    }
}

// A write that cannot complete must leave the old file exactly as it was.
TEST_F(SettingsFileTest, FailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    WriteRawSettings(L"[Dusklatch]\r\ncountdown=5\r\n");
    ReadSettingsFile();
    SetValue(L"countdown", L"99");
    // Another process holding the file without delete sharing blocks the replace.
    HANDLE holder = CreateFileW(SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    bool saved = WriteSettingsFile();
    DWORD error = GetLastError();  // the replace's, not that of the clean-up after it
    CloseHandle(holder);
    EXPECT_FALSE(saved);
    // Wine denies access; a sharing violation would be as fair an answer.
    EXPECT_TRUE(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) << error;
    EXPECT_EQ(L"[Dusklatch]\r\ncountdown=5\r\n", ReadSettingsText());

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((SettingsFolder() + L"\\*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "left behind: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    ASSERT_TRUE(WriteSettingsFile());
    EXPECT_EQ(L"[Dusklatch]\r\ncountdown=99\r\n", ReadSettingsText());
}

TEST_F(SettingsFileTest, UnwritableFolderReportsFailure)
{
    // A plain file where the folder should be: nothing can be created below it.
    RemoveDirectoryW(SettingsFolder().c_str());
    ASSERT_TRUE(WriteFileBytes(SettingsFolder(), {}));
    ReadSettingsFile();
    SetValue(L"countdown", L"1");
    EXPECT_FALSE(WriteSettingsFile());
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
    DeleteFileW(SettingsFolder().c_str());
}

#include "screensaver_framework.h"

#include <gtest/gtest.h>

TEST(SaverCommandLine, ModesLettersAndHandles)
{
    struct {
        const wchar_t* arguments;
        SaverMode mode;
        bool hasOption;
        bool hasWindow;
        unsigned long window;
    } const kCases[] = {
        {L"", SaverModeConfigure, false, false, 0},
        {L"  - /", SaverModeConfigure, false, false, 0},
        {L" /s", SaverModeFullScreen, true, false, 0},
        {L" -S", SaverModeFullScreen, true, false, 0},
        {L" s", SaverModeFullScreen, true, false, 0},
        {L" /p 1234", SaverModePreview, true, true, 1234},
        {L" /P\t  66", SaverModePreview, true, true, 66},
        {L" /l 9", SaverModePreview, true, true, 9},
        {L" /p", SaverModePreview, true, false, 0},
        {L" /p abc", SaverModePreview, true, false, 0},
        {L" /c", SaverModeConfigure, true, false, 0},
        {L" /c:4242", SaverModeConfigure, true, true, 4242},
        {L" /C:", SaverModeConfigure, true, false, 0},
        {L" /a 77", SaverModePassword, true, true, 77},
        {L" /x", SaverModeInvalid, true, false, 0},
        {L" /?", SaverModeInvalid, true, false, 0},
        {L" /p 99999999999", SaverModePreview, true, false, 0},
    };
    for (const auto& c : kCases) {
        SaverCommand command = ParseSaverCommandLine(c.arguments);
        EXPECT_EQ(c.mode, command.mode) << "\"" << c.arguments << "\"";
        EXPECT_EQ(c.hasOption, command.hasOption) << "\"" << c.arguments << "\"";
        EXPECT_EQ(c.hasWindow, command.hasWindow) << "\"" << c.arguments << "\"";
        if (c.hasWindow)
            EXPECT_EQ(c.window, command.window) << "\"" << c.arguments << "\"";
    }
}

TEST(SaverCommandLine, SkipsQuotedAndPlainProgramNames)
{
    EXPECT_STREQ(L" /s", SkipProgramName(L"\"C:\\Program Files\\Dusklatch.scr\" /s"));
    EXPECT_STREQ(L" /p 5", SkipProgramName(L"Dusklatch.scr /p 5"));
    EXPECT_STREQ(L"", SkipProgramName(L"Dusklatch.scr"));
}

TEST(SaverInput, MouseThresholdIsMoreThanFourPixelsManhattan)
{
    const POINT origin = {100, 100};
    struct {
        POINT now;
        bool ends;
    } const kCases[] = {
        {{100, 100}, false}, {{104, 100}, false}, {{102, 98}, false}, {{96, 100}, false},
        {{105, 100}, true},  {{103, 102}, true},  {{100, 95}, true},  {{97, 102}, true},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.ends, MouseMovedPastThreshold(origin, c.now)) << c.now.x << "," << c.now.y;
}

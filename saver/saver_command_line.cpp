// Command-line modes of the screen-saver framework, as pure functions.
#include "screensaver_framework.h"

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Reads a decimal window handle; false when no digit follows.
bool ReadHandle(const wchar_t* text, unsigned long* value)
{
    unsigned long long result = 0;
    bool any = false;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        any = true;
        result = result * 10 + static_cast<unsigned>(*text - L'0');
        if (result > 0xFFFFFFFFull)
            return false;  // no window handle is that large
    }
    *value = static_cast<unsigned long>(result);
    return any;
}

}  // namespace

const wchar_t* SkipProgramName(const wchar_t* commandLine)
{
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p && !IsBlank(*p))
            ++p;
    }
    return p;
}

SaverCommand ParseSaverCommandLine(const wchar_t* arguments)
{
    SaverCommand command = {SaverModeConfigure, false, false, 0};
    const wchar_t* p = arguments;
    while (*p && (IsBlank(*p) || *p == L'-' || *p == L'/'))
        ++p;
    if (!*p)
        return command;  // no option: configuration without an owner

    command.hasOption = true;
    wchar_t letter = *p++;
    if (letter >= L'A' && letter <= L'Z')
        letter = static_cast<wchar_t>(letter - L'A' + L'a');
    switch (letter) {
    case L's':
        command.mode = SaverModeFullScreen;
        break;
    case L'p':
    case L'l':
        command.mode = SaverModePreview;
        while (IsBlank(*p))
            ++p;
        command.hasWindow = ReadHandle(p, &command.window);
        break;
    case L'c':
        command.mode = SaverModeConfigure;
        if (*p == L':')
            command.hasWindow = ReadHandle(p + 1, &command.window);
        break;
    case L'a':
        command.mode = SaverModePassword;
        while (IsBlank(*p))
            ++p;
        command.hasWindow = ReadHandle(p, &command.window);
        break;
    default:
        command.mode = SaverModeInvalid;
        break;
    }
    return command;
}

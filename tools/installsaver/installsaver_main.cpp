// installsaver: copies Dusklatch.scr from the installation package into the
// system directory, where setsaver points the desktop settings.
#include "package_copy.h"
#include "tool_paths.h"

#include <windows.h>

int wmain()
{
    wchar_t source[MAX_PATH];
    if (!BuildPackageSourcePath(L"Dusklatch.scr", source, MAX_PATH))
        return kCopyFailedStatus;
    // The system directory as this 32-bit process sees it: redirection is left alone.
    wchar_t target[MAX_PATH];
    if (!BuildSystemFilePath(L"Dusklatch.scr", target, MAX_PATH)) {
        PrintTargetTooLong();
        return kCopyFailedStatus;
    }
    return CopyAndReport(source, target, L"Dusklatch installed.\n");
}

// deployconfig: copies the prepared Dusklatch.ini from the installation package
// into the all-users application-data folder, where the screen saver reads it.
#include "package_copy.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>
#include <shlobj.h>
#include <wchar.h>

int wmain()
{
    wchar_t source[MAX_PATH];
    if (!BuildPackageSourcePath(L"Dusklatch.ini", source, MAX_PATH))
        return kCopyFailedStatus;

    wchar_t target[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, target, CSIDL_COMMON_APPDATA, TRUE)) {
        PrintText(L"Error: cannot find the all-users application data folder!\n");
        return kCopyFailedStatus;
    }
    // The whole target is built before any folder is made, so that a path too
    // long for its buffer leaves nothing behind.
    const size_t vendorEnd = wcslen(target) + wcslen(L"\\Orvanta");
    const size_t productEnd = vendorEnd + wcslen(L"\\Dusklatch");
    if (!AppendText(target, MAX_PATH, L"\\Orvanta") || !AppendText(target, MAX_PATH, L"\\Dusklatch") ||
        !AppendText(target, MAX_PATH, L"\\Dusklatch.ini")) {
        PrintTargetTooLong();
        return kCopyFailedStatus;
    }
    // Folders already there are the usual case, and any other failure shows up
    // as a failed copy, so neither result is looked at.
    wchar_t folder[MAX_PATH];
    wmemcpy(folder, target, vendorEnd);
    folder[vendorEnd] = 0;
    CreateDirectoryW(folder, nullptr);
    wmemcpy(folder, target, productEnd);
    folder[productEnd] = 0;
    CreateDirectoryW(folder, nullptr);

    return CopyAndReport(source, target, L"Configuration file deployed.\n");
}

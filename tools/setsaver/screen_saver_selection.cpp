#include "screen_saver_selection.h"

#include "registry_text.h"
#include "tool_arguments.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kLogonDesktopKey[] = L".DEFAULT\\Control Panel\\Desktop";

}  // namespace

bool StoredTimeout(long requested, long* stored)
{
    if (requested <= 0)
        return false;
    // A short timeout is taken as a slip: it gets a minute and a half, not the minimum.
    *stored = requested < 60 ? 90 : requested;
    return true;
}

bool FormSaverPath(const wchar_t* systemFolder, const wchar_t* wow64Folder, wchar_t* path, size_t capacity)
{
    // On 64-bit Windows the 32-bit installsaver's copy into the system directory
    // lands in SysWOW64, and the 64-bit process that starts screen savers reads
    // the system directory's name as the real System32, where there is no saver.
    // SysWOW64 by its own name is the same file for both.
    const wchar_t* folder = *wow64Folder ? wow64Folder : systemFolder;
    return JoinFolderAndFile(folder, L"Dusklatch.scr", path, capacity);
}

bool BuildSaverPath(wchar_t* path, size_t capacity)
{
    wchar_t systemFolder[MAX_PATH];
    if (!GetSystemFolder(systemFolder, MAX_PATH))
        systemFolder[0] = 0;
    wchar_t wow64Folder[MAX_PATH];
    if (!GetSystemWow64Folder(wow64Folder, MAX_PATH))
        wow64Folder[0] = 0;
    return FormSaverPath(systemFolder, wow64Folder, path, capacity);
}

int SelectScreenSaver(int argc, wchar_t** argv)
{
    if (argc < 2) {
        PrintUsage(argc, argv, L" timeout [/logon]");
        return kStatusUsage;
    }
    wchar_t saverPath[MAX_PATH];
    if (!BuildSaverPath(saverPath, MAX_PATH)) {
        PrintText(L"Error: screen saver path too long!\n");
        return kStatusTooLong;
    }

    // The switch counts only in second place.
    const bool logon = argc > 2 && EqualsIgnoringAsciiCase(argv[2], L"/logon");
    ScopedRegKey key;
    if (!OpenKeyOrReport(logon ? HKEY_USERS : HKEY_CURRENT_USER, logon ? kLogonDesktopKey : kDesktopKey, &key))
        return kStatusRegistryAccess;
    if (!WriteValueOrReport(key.Get(), L"SCRNSAVE.EXE", saverPath))
        return kStatusRegistryWrite;
    // Once the saver is named, the other two values are best effort.
    SetStringValueWithoutNull(key.Get(), L"ScreenSaveActive", L"1");
    long timeout = 0;
    if (StoredTimeout(ReadIntegerArgument(argv[1]), &timeout)) {
        wchar_t digits[12];
        FormatSignedDecimal(timeout, digits);
        SetStringValueWithoutNull(key.Get(), L"ScreenSaveTimeOut", digits);
    }
    PrintText(L"Dusklatch set.\n");
    return 0;
}

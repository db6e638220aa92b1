// deployconfig: copies the prepared Dusklatch.ini from the installation package
// into the all-users application-data folder, where the screen saver reads it.
#include "package_copy.h"
#include "settings_protection.h"
#include "settings_target.h"
#include "tool_output.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace {

// Gives path the owner and the protected DACL of sddl; a folder passes its
// ACEs on to what it holds. Returns the error, or ERROR_SUCCESS.
DWORD Protect(const wchar_t* path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return GetLastError();
    // Through a handle to the path itself: a link put in its place since the
    // look before the copy is opened as the link, and the new owner and DACL
    // land on that link, never on what it points at. Backup semantics let
    // CreateFileW open a folder.
    HANDLE object = CreateFileW(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr);
    if (object == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        LocalFree(descriptor);
        return error;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD error = SetSecurityInfo(
        object, SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        owner, nullptr, dacl, nullptr);
    CloseHandle(object);
    LocalFree(descriptor);
    return error;
}

// Every user may create folders in the all-users folder, so the two folders
// may have been made by anyone earlier: they are taken over, new or not. The
// copy is what the tool reports on; a file left open to ordinary users still
// works everywhere but on the logon desktop, which refuses its task, so a
// failure here is a warning after the success line.
void ProtectDeployment(const wchar_t* vendorFolder, const wchar_t* productFolder, const wchar_t* file)
{
    const struct {
        const wchar_t* path;
        const wchar_t* sddl;
    } steps[] = {
        {vendorFolder, kProtectedSettingsFolderSddl},
        {productFolder, kProtectedSettingsFolderSddl},
        {file, kProtectedSettingsFileSddl},
    };
    for (const auto& step : steps) {
        const DWORD error = Protect(step.path, step.sddl);
        if (error != ERROR_SUCCESS) {
            PrintText(L"Warning: \"");
            PrintText(step.path);
            PrintNumberLine(L"\" could not be restricted to administrators (error ",
                            static_cast<long>(error), L"); the logon desktop will not run its task.\n");
            return;
        }
    }
}

// Refuses a target with a link in it: the path that is one, then the
// copy-error line, for the copy was not made. True when one was found.
bool RefuseLinkedTarget(const wchar_t* source, const SettingsPaths& target)
{
    const wchar_t* link = FindLinkInSettingsTarget(target);
    if (!link)
        return false;
    PrintText(L"Error: \"");
    PrintText(link);
    PrintText(L"\" is a link; nothing was deployed.\n");
    PrintCopyError(source, target.file);
    return true;
}

}  // namespace

int wmain()
{
    wchar_t source[MAX_PATH];
    if (!BuildPackageSourcePath(L"Dusklatch.ini", source, MAX_PATH))
        return kCopyFailedStatus;

    // The whole target is built before any folder is made, so that a path too
    // long for its buffer leaves nothing behind.
    SettingsPaths target;
    switch (GetSettingsTarget(&target)) {
    case kNoAllUsersFolder:
        PrintText(L"Error: cannot find the all-users application data folder!\n");
        return kCopyFailedStatus;
    case kSettingsTargetTooLong:
        PrintTargetTooLong();
        return kCopyFailedStatus;
    case kSettingsTargetFound:
        break;
    }
    if (RefuseLinkedTarget(source, target))
        return kCopyFailedStatus;
    // Folders already there are the usual case, and any other failure shows up
    // as a failed copy, so neither result is looked at.
    CreateDirectoryW(target.vendorFolder, nullptr);
    CreateDirectoryW(target.productFolder, nullptr);
    // A folder made just now inherits the all-users folder's right for every
    // user to create folders in it, so the product folder may have become a
    // link since the first look; the copy is what would follow it.
    if (RefuseLinkedTarget(source, target))
        return kCopyFailedStatus;

    const int status = CopyAndReport(source, target.file, L"Configuration file deployed.\n");
    if (status == 0)
        ProtectDeployment(target.vendorFolder, target.productFolder, target.file);
    return status;
}

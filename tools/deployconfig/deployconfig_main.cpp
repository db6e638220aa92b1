// deployconfig: copies the prepared Dusklatch.ini from the installation package
// into the all-users application-data folder, where the screen saver reads it.
#include "package_copy.h"
#include "settings_security.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <wchar.h>

namespace {

// Gives path the owner and the protected DACL of sddl; a folder passes its
// ACEs on to what it holds. Returns the error, or ERROR_SUCCESS.
DWORD Protect(const wchar_t* path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return GetLastError();
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD error = SetNamedSecurityInfoW(
        const_cast<wchar_t*>(path), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
        owner, nullptr, dacl, nullptr);
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

}  // namespace

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
    wchar_t vendorFolder[MAX_PATH];
    wmemcpy(vendorFolder, target, vendorEnd);
    vendorFolder[vendorEnd] = 0;
    CreateDirectoryW(vendorFolder, nullptr);
    wchar_t productFolder[MAX_PATH];
    wmemcpy(productFolder, target, productEnd);
    productFolder[productEnd] = 0;
    CreateDirectoryW(productFolder, nullptr);

    const int status = CopyAndReport(source, target, L"Configuration file deployed.\n");
    if (status == 0)
        ProtectDeployment(vendorFolder, productFolder, target);
    return status;
}

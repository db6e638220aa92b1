#include "settings_security.h"

#include "scoped_handles.h"
#include "settings_paths.h"
#include "settings_store.h"

#include <aclapi.h>
#include <sddl.h>
#include <stddef.h>

namespace {

const char* const kTrustedOwners[] = {
    "S-1-5-18",      // SYSTEM
    "S-1-5-32-544",  // Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};

const ACCESS_MASK kFileChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER |
                                      GENERIC_WRITE | GENERIC_ALL;
const ACCESS_MASK kFolderChangeRights =
    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

bool IsTrustedSid(PSID sid)
{
    for (const char* text : kTrustedOwners) {
        ScopedLocalMemory<PSID> trusted;
        if (ConvertStringSidToSidA(text, trusted.Receive()) && EqualSid(sid, trusted.Get()))
            return true;
    }
    return false;
}

// False when the ACE lets someone other than the trusted accounts change the object.
bool AceKeepsOthersOut(const ACE_HEADER* header, ACCESS_MASK changeRights)
{
    if (header->AceFlags & INHERIT_ONLY_ACE)
        return true;  // applies only to what the folder will hold
    const BYTE type = header->AceType;
    const bool simpleAllow = type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
    const bool otherAllow = type == ACCESS_ALLOWED_COMPOUND_ACE_TYPE ||
                            type == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                            type == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
    if (!simpleAllow && !otherAllow)
        return true;  // deny ACEs only take rights away
    // Every allow type has its mask right after the header.
    if (header->AceSize < sizeof(ACE_HEADER) + sizeof(ACCESS_MASK))
        return false;
    const ACCESS_ALLOWED_ACE* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    if (!(ace->Mask & changeRights))
        return true;
    // Whom the other allow types name is not worth decoding: a change right
    // in one of them is refused whoever holds it.
    if (otherAllow)
        return false;
    const size_t sidOffset = offsetof(ACCESS_ALLOWED_ACE, SidStart);
    if (header->AceSize < sidOffset + 8)
        return false;
    PSID sid = const_cast<DWORD*>(&ace->SidStart);
    if (!IsValidSid(sid) || sidOffset + GetLengthSid(sid) > header->AceSize)
        return false;
    return IsTrustedSid(sid);
}

bool PathIsAdminOnly(const wchar_t* path, bool isFolder)
{
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    return GetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, nullptr, nullptr, descriptor.Receive()) == ERROR_SUCCESS &&
           SecurityDescriptorIsAdminOnly(descriptor.Get(), isFolder);
}

}  // namespace

bool SecurityDescriptorIsAdminOnly(PSECURITY_DESCRIPTOR descriptor, bool isFolder)
{
    if (!descriptor || !IsValidSecurityDescriptor(descriptor))
        return false;
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || !owner ||
        !IsTrustedSid(owner))
        return false;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    BOOL daclDefaulted = FALSE;
    // No DACL at all grants everyone everything.
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted) || !present || !dacl)
        return false;
    const ACCESS_MASK changeRights = isFolder ? kFolderChangeRights : kFileChangeRights;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) || !AceKeepsOthersOut(static_cast<ACE_HEADER*>(ace), changeRights))
            return false;
    }
    return true;
}

bool SettingsFileIsAdminOnly()
{
    SettingsPaths paths;
    return GetSettingsPaths(&paths) && PathIsAdminOnly(paths.file, false) &&
           PathIsAdminOnly(paths.productFolder, true) && PathIsAdminOnly(paths.vendorFolder, true);
}

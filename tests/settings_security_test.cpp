// Which settings files the logon desktop trusts with its task: descriptors as
// an administrator's deployment, the platform's inheritance and a user leave them.
#include "settings_security.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

const wchar_t kUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

TEST(SettingsSecurity, OwnerAndEffectiveAllowAcesDecide)
{
    const std::wstring user = kUser;
    const struct {
        const char* name;
        std::wstring sddl;
        bool isFolder;
        bool trusted;
    } rows[] = {
        {"deployed folder", kProtectedSettingsFolderSddl, true, true},
        {"deployed file", kProtectedSettingsFileSddl, false, true},
        // What an administrator's new folder and file inherit from the all-users folder.
        {"inherited folder", L"O:BAD:AI(A;OICIIOID;GA;;;CO)(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)"
                             L"(A;OICIID;0x1200a9;;;BU)(A;CIID;DCLCRPCR;;;BU)", true, true},
        {"inherited file", L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)", false, true},
        {"file owned by a user", L"O:" + user + L"D:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)",
         false, false},
        {"TrustedInstaller owner", L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
                                   L"D:(A;;FA;;;SY)", false, true},
        {"Everyone may write the file", L"O:BAD:(A;;FA;;;SY)(A;;FW;;;WD)", false, false},
        {"Users may add files to the folder", L"O:BAD:(A;;0x116;;;BU)", true, true},
        {"Users may delete its children", L"O:BAD:(A;;0x40;;;BU)", true, false},
        {"inherit-only grant to Everyone", L"O:BAD:P(A;OICIIO;FA;;;WD)(A;;FA;;;SY)", true, true},
        {"deny Everyone", L"O:BAD:(D;;FA;;;WD)", false, true},
        // Wine's SDDL parser makes an empty DACL of "NO_ACCESS_CONTROL"; no
        // DACL at all grants everyone everything, as a null one does.
        {"no DACL", L"O:BA", false, false},
    };
    for (const auto& row : rows) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(row.sddl.c_str(), SDDL_REVISION_1,
                                                                         &descriptor, nullptr))
            << row.name << " " << GetLastError();
        EXPECT_EQ(row.trusted, SecurityDescriptorIsAdminOnly(descriptor, row.isFolder)) << row.name;
        LocalFree(descriptor);
    }
    EXPECT_FALSE(SecurityDescriptorIsAdminOnly(nullptr, false));
}

}  // namespace

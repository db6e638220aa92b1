// The administrators-only protection of the settings folders and file, which
// deployconfig and the installer package give them and which the screen
// saver's logon-task check accepts. The installer package's build reads the
// two descriptors from this header.
#pragma once

// Owned by Administrators, a DACL that inherits nothing, full control for
// SYSTEM and Administrators, read and execute for Users; a folder passes its
// ACEs on to what it holds.
const wchar_t kProtectedSettingsFolderSddl[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
const wchar_t kProtectedSettingsFileSddl[] =
    L"O:BAD:PAI(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";

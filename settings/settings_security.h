// Whether the settings file can be trusted with a command that runs as a
// service account. On the logon desktop the screen saver runs as the local
// system or local service account and starts the pre-shutdown task as that
// account, while the all-users folder lets every user create files: a file an
// ordinary user created or may change must not name that command.
#pragma once

#include "settings_protection.h"

#include <windows.h>

// True when the owner is SYSTEM, Administrators or TrustedInstaller and no
// effective allow ACE gives anyone else a right that could change the object:
// for a file any write-class right; for a folder the rights that let someone
// replace what it holds or take it over (creating new files is allowed, as the
// platform's all-users folder grants it to Users). A null DACL fails.
bool SecurityDescriptorIsAdminOnly(PSECURITY_DESCRIPTOR descriptor, bool isFolder);

// Reads the security of the settings file and of its two folders below the
// all-users folder; false when any of them fails the test above or cannot be read.
bool SettingsFileIsAdminOnly();

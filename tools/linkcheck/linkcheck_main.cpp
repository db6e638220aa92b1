// linkcheck: run by the installer package as the installer's service, right
// before it creates the settings folders, and embedded in the package alone.
// The installer follows a link planted at any of the settings paths just as
// deployconfig would, so it is stopped by the same look: a status other than
// 0 fails the installation before anything is created there.
#include "settings_target.h"

namespace {

const int kNoLink = 0;
const int kLinkFound = 1;
// When the place cannot be named, it cannot be vouched for either.
const int kTargetUnknown = 2;

}  // namespace

int wmain()
{
    SettingsPaths target;
    if (GetSettingsTarget(&target) != kSettingsTargetFound)
        return kTargetUnknown;
    return FindLinkInSettingsTarget(target) ? kLinkFound : kNoLink;
}

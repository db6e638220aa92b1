// Process entry of Dusklatch.scr: the framework runs the countdown window or,
// in configuration mode, the dialog handed to it here.
#include "config_dialog.h"
#include "resource.h"
#include "screensaver_framework.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const ScreenSaverDialog dialog = {RegisterDialogClasses, ScreenSaverConfigureDialog, IDD_CONFIGURE};
    return RunScreenSaver(instance, GetCommandLineW(), dialog);
}

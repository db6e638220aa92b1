// Process entry of Dusklatch.scr.
#include "screensaver_framework.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return RunScreenSaver(instance, GetCommandLineW());
}

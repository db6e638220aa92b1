// Placeholder until the configuration dialog lands.
#include "screensaver_framework.h"

BOOL WINAPI RegisterDialogClasses(HANDLE)
{
    return TRUE;
}

BOOL WINAPI ScreenSaverConfigureDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// setsaver timeout [/logon]: selects Dusklatch as the screen saver. The same
// source builds setsaverw, which opens no console window when run at logon.
#include "screen_saver_selection.h"

int wmain(int argc, wchar_t** argv)
{
    return SelectScreenSaver(argc, argv);
}

// Keeps Wine's desktop process alive for a whole test run. Wine closes the
// desktop shortly after the last program attached to it has ended, and the
// next windowed program then starts a new desktop process, which takes seconds
// and inherits that program's handles. scripts/test.sh starts this first and
// ends it with the prefix's wineserver.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // A message-only window attaches this thread to the desktop without showing anything.
    HWND window = CreateWindowExW(0, L"STATIC", L"desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

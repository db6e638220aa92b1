// task_probe.exe PID_FILE [SECONDS]
// A pre-shutdown task for the tests: writes its own process id in decimal to
// PID_FILE, then stays for SECONDS (default 0) so that a test can see it outlive
// whoever started it. The file appears whole or not at all.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    wchar_t partial[MAX_PATH];
    swprintf(partial, MAX_PATH, L"%ls.part", argv[1]);
    HANDLE file = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    char text[16];
    snprintf(text, sizeof(text), "%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
    if (!MoveFileExW(partial, argv[1], MOVEFILE_REPLACE_EXISTING))
        return 4;
    if (argc > 2)
        Sleep(wcstoul(argv[2], nullptr, 10) * 1000);
    return 0;
}

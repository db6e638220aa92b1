// native_start <command line>: a 64-bit program that starts a command line as
// the 64-bit process that starts screen savers on 64-bit Windows would, and
// reports what became of it. Built with the x86_64 compiler; the 32-bit tests
// cannot see the system directory as a native process does.
//
// Prints "exit code <signed decimal>" when the program started and ended (the
// whole code: a caller on the Linux side sees only its low 8 bits), or
// "not started, error <code>" when CreateProcessW failed, and ends with 0 or 1.
#include <windows.h>

#include <stdio.h>

namespace {

// What follows the program's own name on its command line, as typed.
wchar_t* CommandLineAfterProgramName()
{
    wchar_t* text = GetCommandLineW();
    if (*text == L'"') {
        ++text;
        while (*text && *text != L'"')
            ++text;
        if (*text)
            ++text;
    } else {
        while (*text && *text != L' ' && *text != L'\t')
            ++text;
    }
    while (*text == L' ' || *text == L'\t')
        ++text;
    return text;
}

}  // namespace

int wmain()
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, CommandLineAfterProgramName(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        printf("not started, error %lu\n", GetLastError());
        return 1;
    }
    const bool ended = WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(info.hProcess, 0xDEAD);
    DWORD exitCode = 0;
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (!ended) {
        printf("started, did not end\n");
        return 1;
    }
    printf("exit code %ld\n", static_cast<long>(exitCode));
    return 0;
}

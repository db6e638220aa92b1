#include "process_bitness.h"

#include <windows.h>

bool ProcessRunsUnderWow64()
{
    // Looked up by name: Windows 2000 has no IsWow64Process.
    typedef BOOL(WINAPI * IsWow64ProcessEntry)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    IsWow64ProcessEntry isWow64 =
        kernel ? reinterpret_cast<IsWow64ProcessEntry>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
               : nullptr;
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

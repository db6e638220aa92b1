// Whether this program runs on 64-bit Windows: the saver names it in its
// version row, and the tools correct the system folder that WOW64 redirects.
#pragma once

// True for a 32-bit process on 64-bit Windows; false for a 64-bit process
// (which is never redirected), on 32-bit Windows, and where the platform
// cannot say (Windows 2000 has no IsWow64Process).
bool ProcessRunsUnderWow64();

// A 64-bit program runs on 64-bit Windows only; a 32-bit one does there when
// it runs under WOW64.
inline bool RunsOn64BitWindows()
{
    return sizeof(void*) == 8 || ProcessRunsUnderWow64();
}

#include "running_programs.h"

#include "scoped_handles.h"

#include <windows.h>
#include <tlhelp32.h>

int ListedNameIndex(const wchar_t* fileName, const wchar_t* const* names, int count)
{
    for (int i = 0; i < count; ++i)
        if (lstrcmpiW(fileName, names[i]) == 0)
            return i;
    return -1;
}

int FirstRunningProgram(const wchar_t* const* names, int count, unsigned long* error)
{
    *error = 0;
    // The snapshot lists the processes of every session, the logon desktop's
    // included, whatever the caller may open.
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) {
        *error = GetLastError();
        return -1;
    }
    int first = -1;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    // Only the names before the best match so far can still improve on it.
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && first != 0;
         more = Process32NextW(snapshot.Get(), &entry)) {
        const int index = ListedNameIndex(entry.szExeFile, names, first < 0 ? count : first);
        if (index >= 0)
            first = index;
    }
    return first;
}

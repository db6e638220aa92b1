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

namespace {

// Calls visit(entry) for each process of one snapshot until it returns false;
// false when the snapshot cannot be taken (*error then holds the reason).
template <typename Visit>
bool VisitProcesses(unsigned long* error, Visit visit)
{
    *error = 0;
    // The snapshot lists the processes of every session, the logon desktop's
    // included, whatever the caller may open.
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) {
        *error = GetLastError();
        return false;
    }
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && visit(entry);
         more = Process32NextW(snapshot.Get(), &entry)) {
    }
    return true;
}

}  // namespace

int FirstRunningProgram(const wchar_t* const* names, int count, unsigned long* error)
{
    int first = -1;
    VisitProcesses(error, [&](const PROCESSENTRY32W& entry) {
        // Only the names before the best match so far can still improve on it.
        const int index = ListedNameIndex(entry.szExeFile, names, first < 0 ? count : first);
        if (index >= 0)
            first = index;
        return first != 0;
    });
    return first;
}

int RunningProcessIds(const wchar_t* fileName, unsigned long* ids, int capacity, unsigned long* error)
{
    int found = 0;
    if (!VisitProcesses(error, [&](const PROCESSENTRY32W& entry) {
            if (lstrcmpiW(entry.szExeFile, fileName) == 0) {
                if (found < capacity)
                    ids[found] = entry.th32ProcessID;
                ++found;
            }
            return true;
        }))
        return -1;
    return found;
}

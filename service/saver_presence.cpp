#include "saver_presence.h"

#include <windows.h>
#include <tlhelp32.h>

bool SaverIsRunning(unsigned long* error)
{
    *error = 0;
    // The snapshot lists the processes of every session, the logon desktop's
    // included, whatever the service may open.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    bool found = false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = lstrcmpiW(entry.szExeFile, kSaverFileName) == 0;
    CloseHandle(snapshot);
    return found;
}

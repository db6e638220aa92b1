// The power table of the service's test build: every call is recorded instead
// of made, and so is every log line, one line each in a file that tests read:
//   call <tick> InitiateSystemShutdownExW timeout=<n> force=<0|1> reboot=<0|1> reason=<hex> machine=<...> message=<...>
//   call <tick> SetSuspendState hibernate=<0|1> force=<0|1> wake=<0|1>
//   call <tick> SetSystemPowerState suspend=<0|1> force=<0|1>
//   log <tick> <line>
// The file is C:\ProgramData\DusklatchServiceTest\record.txt, in the prefix
// of the test run, where the service reaches it whatever its account.
#include "service_log.h"
#include "service_power_calls.h"

#include <shlobj.h>
#include <stdio.h>

namespace {

wchar_t g_recordPath[MAX_PATH];

void Record(const char* line)
{
    if (!g_recordPath[0])
        return;
    // Opened for each line, so that a test may delete the file between cases.
    HANDLE file = CreateFileW(g_recordPath, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

const char* Text(LPWSTR text)
{
    return text ? "(text)" : "(null)";
}

BOOL WINAPI RecordShutdown(LPWSTR machine, LPWSTR message, DWORD timeout, BOOL force, BOOL reboot,
                           DWORD reason)
{
    char line[256];
    snprintf(line, sizeof(line),
             "call %lu InitiateSystemShutdownExW timeout=%lu force=%d reboot=%d reason=%08lx "
             "machine=%s message=%s\n",
             GetTickCount(), timeout, force, reboot, reason, Text(machine), Text(message));
    Record(line);
    return TRUE;
}

BOOLEAN WINAPI RecordSuspend(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wake)
{
    char line[128];
    snprintf(line, sizeof(line), "call %lu SetSuspendState hibernate=%d force=%d wake=%d\n",
             GetTickCount(), hibernate, force, wake);
    Record(line);
    return TRUE;
}

BOOL WINAPI RecordPowerState(BOOL suspend, BOOL force)
{
    char line[128];
    snprintf(line, sizeof(line), "call %lu SetSystemPowerState suspend=%d force=%d\n",
             GetTickCount(), suspend, force);
    Record(line);
    return TRUE;
}

void RecordLogLine(ServiceLogKind, const wchar_t* text)
{
    char line[640];
    int length = snprintf(line, sizeof(line), "log %lu ", GetTickCount());
    // Log lines are ASCII by construction; anything else would show as '?'.
    for (; *text && length < static_cast<int>(sizeof(line)) - 2; ++text)
        line[length++] = *text < 0x80 ? static_cast<char>(*text) : '?';
    line[length++] = '\n';
    line[length] = 0;
    Record(line);
}

}  // namespace

ServicePowerCalls g_servicePowerCalls = {RecordShutdown, RecordSuspend, RecordPowerState};

void LoadServicePowerCalls()
{
    wchar_t folder[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, TRUE))
        return;
    swprintf(g_recordPath, MAX_PATH, L"%ls\\DusklatchServiceTest", folder);
    CreateDirectoryW(g_recordPath, nullptr);
    swprintf(g_recordPath, MAX_PATH, L"%ls\\DusklatchServiceTest\\record.txt", folder);
    g_serviceLogMirror = RecordLogLine;
}

void UnloadServicePowerCalls()
{
    g_serviceLogMirror = nullptr;
}

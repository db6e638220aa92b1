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
#include <stdarg.h>
#include <stdio.h>

namespace {

wchar_t g_recordPath[MAX_PATH];

// One line "<kind> <tick> <text>"; the file is opened for each line, so that
// a test may delete it between cases.
void Record(const char* kind, const char* format, ...)
{
    char line[640];
    int length = snprintf(line, sizeof(line), "%s %lu ", kind, GetTickCount());
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line + length, sizeof(line) - length - 1, format, arguments);
    va_end(arguments);
    strcat(line, "\n");
    HANDLE file = CreateFileW(g_recordPath, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

BOOL WINAPI RecordShutdown(LPWSTR machine, LPWSTR message, DWORD timeout, BOOL force, BOOL reboot,
                           DWORD reason)
{
    Record("call", "InitiateSystemShutdownExW timeout=%lu force=%d reboot=%d reason=%08lx machine=%s message=%s",
           timeout, force, reboot, reason, machine ? "(text)" : "(null)", message ? "(text)" : "(null)");
    return TRUE;
}

BOOLEAN WINAPI RecordSuspend(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wake)
{
    Record("call", "SetSuspendState hibernate=%d force=%d wake=%d", hibernate, force, wake);
    return TRUE;
}

BOOL WINAPI RecordPowerState(BOOL suspend, BOOL force)
{
    Record("call", "SetSystemPowerState suspend=%d force=%d", suspend, force);
    return TRUE;
}

// Log lines are ASCII by construction.
void RecordLogLine(ServiceLogKind, const wchar_t* text)
{
    Record("log", "%ls", text);
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
    wcscat(g_recordPath, L"\\record.txt");
    g_serviceLogMirror = RecordLogLine;
}

void UnloadServicePowerCalls()
{
    g_serviceLogMirror = nullptr;
}

// A stand-in for the terminal-services library, for the end-to-end tests of
// the other-users hold: Wine's lists no session at all. The saver loads it
// from its own folder when started with WINEDLLOVERRIDES="wtsapi32=n,b". It
// reads the sessions from sessions.txt beside it, one a line:
//   <session id> <state, as WTS_CONNECTSTATE_CLASS> <user name, rest of the line>
// A missing file lists no session.
#include <windows.h>
#include <wtsapi32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

const int kMaxSessions = 16;

struct StandinSession {
    DWORD id;
    WTS_CONNECTSTATE_CLASS state;
    wchar_t user[64];
};

HMODULE g_self = nullptr;

// Rereads the file at every call, so that a test may change the list while the saver runs.
int ReadSessions(StandinSession* sessions)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(g_self, path, MAX_PATH);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!length || length >= MAX_PATH || !slash)
        return 0;
    wcscpy(slash + 1, L"sessions.txt");
    FILE* file = _wfopen(path, L"r");
    if (!file)
        return 0;
    int count = 0;
    char line[128];
    while (count < kMaxSessions && fgets(line, sizeof(line), file)) {
        unsigned long id = 0;
        int state = 0;
        int consumed = 0;
        if (sscanf(line, "%lu %d %n", &id, &state, &consumed) < 2)
            continue;
        StandinSession& session = sessions[count++];
        session.id = id;
        session.state = static_cast<WTS_CONNECTSTATE_CLASS>(state);
        const char* name = line + consumed;
        size_t nameLength = strcspn(name, "\r\n");
        if (nameLength > 63)
            nameLength = 63;
        for (size_t i = 0; i < nameLength; ++i)
            session.user[i] = static_cast<unsigned char>(name[i]);
        session.user[nameLength] = 0;
    }
    fclose(file);
    return count;
}

}  // namespace

extern "C" {

__declspec(dllexport) BOOL WINAPI WTSEnumerateSessionsW(HANDLE, DWORD, DWORD version, PWTS_SESSION_INFOW* list,
                                                        DWORD* count)
{
    if (version != 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    StandinSession sessions[kMaxSessions];
    const int found = ReadSessions(sessions);
    PWTS_SESSION_INFOW info = static_cast<PWTS_SESSION_INFOW>(calloc(found + 1, sizeof(WTS_SESSION_INFOW)));
    for (int i = 0; i < found; ++i) {
        info[i].SessionId = sessions[i].id;
        info[i].pWinStationName = nullptr;
        info[i].State = sessions[i].state;
    }
    *list = info;
    *count = static_cast<DWORD>(found);
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD sessionId, WTS_INFO_CLASS kind,
                                                              LPWSTR* buffer, DWORD* bytes)
{
    StandinSession sessions[kMaxSessions];
    const int found = ReadSessions(sessions);
    for (int i = 0; i < found && kind == WTSUserName; ++i) {
        if (sessions[i].id != sessionId)
            continue;
        *bytes = static_cast<DWORD>((wcslen(sessions[i].user) + 1) * sizeof(wchar_t));
        *buffer = static_cast<LPWSTR>(malloc(*bytes));
        memcpy(*buffer, sessions[i].user, *bytes);
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

__declspec(dllexport) void WINAPI WTSFreeMemory(PVOID memory)
{
    free(memory);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_self = instance;
    return TRUE;
}

#include "user_sessions.h"

#include "scoped_handles.h"

#include <string.h>

namespace {

typedef BOOL(WINAPI* EnumerateSessionsEntry)(HANDLE server, DWORD reserved, DWORD version,
                                             PWTS_SESSION_INFOW* sessions, DWORD* count);
typedef BOOL(WINAPI* QuerySessionEntry)(HANDLE server, DWORD sessionId, WTS_INFO_CLASS kind,
                                        LPWSTR* buffer, DWORD* bytes);
typedef void(WINAPI* FreeMemoryEntry)(PVOID memory);
typedef BOOL(WINAPI* ProcessIdToSessionIdEntry)(DWORD processId, DWORD* sessionId);

void CopyNameCut(wchar_t* destination, size_t capacity, const wchar_t* name)
{
    if (!capacity)
        return;
    size_t length = wcslen(name);
    if (length >= capacity)
        length = capacity - 1;
    memcpy(destination, name, length * sizeof(wchar_t));
    destination[length] = 0;
}

}  // namespace

bool SessionStateCounts(WTS_CONNECTSTATE_CLASS state, bool countDisconnected)
{
    return state == WTSActive || (countDisconnected && state == WTSDisconnected);
}

int FirstSignedInSession(const SessionRecord* sessions, int count, DWORD excludedSession,
                         bool countDisconnected)
{
    for (int i = 0; i < count; ++i) {
        const SessionRecord& session = sessions[i];
        if (session.sessionId != excludedSession && SessionStateCounts(session.state, countDisconnected) &&
            session.userName && session.userName[0])
            return i;
    }
    return -1;
}

bool FindSignedInSession(DWORD excludedSession, bool countDisconnected, bool* found, wchar_t* userName,
                         size_t capacity)
{
    *found = false;
    if (capacity)
        userName[0] = 0;
    ScopedModule library(L"wtsapi32.dll");
    const EnumerateSessionsEntry enumerate =
        reinterpret_cast<EnumerateSessionsEntry>(library.Entry("WTSEnumerateSessionsW"));
    const QuerySessionEntry query = reinterpret_cast<QuerySessionEntry>(library.Entry("WTSQuerySessionInformationW"));
    const FreeMemoryEntry release = reinterpret_cast<FreeMemoryEntry>(library.Entry("WTSFreeMemory"));
    if (!enumerate || !query || !release)
        return false;
    PWTS_SESSION_INFOW sessions = nullptr;
    DWORD count = 0;
    if (!enumerate(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count))
        return false;
    for (DWORD i = 0; i < count && !*found; ++i) {
        SessionRecord record = {sessions[i].SessionId, sessions[i].State, L""};
        // Each name is a call to the terminal services: asked only where it can decide.
        LPWSTR name = nullptr;
        DWORD bytes = 0;
        if (record.sessionId != excludedSession && SessionStateCounts(record.state, countDisconnected) &&
            query(WTS_CURRENT_SERVER_HANDLE, record.sessionId, WTSUserName, &name, &bytes) && name)
            record.userName = name;
        if (FirstSignedInSession(&record, 1, excludedSession, countDisconnected) == 0) {
            *found = true;
            CopyNameCut(userName, capacity, record.userName);
        }
        if (name)
            release(name);
    }
    if (sessions)
        release(sessions);
    return true;
}

DWORD CurrentSessionId()
{
    // Looked up by name like the terminal-services calls: not every Windows
    // 2000 kernel32 has it.
    const ProcessIdToSessionIdEntry sessionOf = reinterpret_cast<ProcessIdToSessionIdEntry>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ProcessIdToSessionId")));
    DWORD session = kNoSession;
    if (!sessionOf || !sessionOf(GetCurrentProcessId(), &session))
        return kNoSession;
    return session;
}

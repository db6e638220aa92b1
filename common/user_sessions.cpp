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

bool IsOwn(DWORD sessionId, const DWORD* ownSessions, int ownCount)
{
    for (int i = 0; i < ownCount; ++i)
        if (ownSessions[i] == sessionId)
            return true;
    return false;
}

}  // namespace

bool SessionStateCounts(WTS_CONNECTSTATE_CLASS state, bool countDisconnected)
{
    return state == WTSActive || (countDisconnected && state == WTSDisconnected);
}

int FirstSignedInSession(const SessionRecord* sessions, int count, const DWORD* ownSessions, int ownCount,
                         bool countDisconnected)
{
    for (int i = 0; i < count; ++i) {
        const SessionRecord& session = sessions[i];
        if (!IsOwn(session.sessionId, ownSessions, ownCount) &&
            SessionStateCounts(session.state, countDisconnected) && (!session.userName || session.userName[0]))
            return i;
    }
    return -1;
}

void LookForOtherUsers(const DWORD* ownSessions, int ownCount, bool countDisconnected, OtherUsers* found)
{
    found->seen = kNoOtherUser;
    found->error = 0;
    found->userName[0] = 0;
    ScopedModule library(L"wtsapi32.dll");
    const EnumerateSessionsEntry enumerate =
        reinterpret_cast<EnumerateSessionsEntry>(library.Entry("WTSEnumerateSessionsW"));
    const QuerySessionEntry query = reinterpret_cast<QuerySessionEntry>(library.Entry("WTSQuerySessionInformationW"));
    const FreeMemoryEntry release = reinterpret_cast<FreeMemoryEntry>(library.Entry("WTSFreeMemory"));
    if (!enumerate || !query || !release)
        return;
    PWTS_SESSION_INFOW sessions = nullptr;
    DWORD count = 0;
    if (!enumerate(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
        found->seen = kSessionsNotListed;
        found->error = GetLastError();
        return;
    }
    for (DWORD i = 0; i < count && found->seen == kNoOtherUser; ++i) {
        SessionRecord record = {sessions[i].SessionId, sessions[i].State, L""};
        // Each name is a call to the terminal services: asked only where it can decide.
        LPWSTR name = nullptr;
        DWORD bytes = 0;
        if (!IsOwn(record.sessionId, ownSessions, ownCount) && SessionStateCounts(record.state, countDisconnected))
            record.userName = query(WTS_CURRENT_SERVER_HANDLE, record.sessionId, WTSUserName, &name, &bytes) && name
                                  ? name
                                  : nullptr;
        if (FirstSignedInSession(&record, 1, ownSessions, ownCount, countDisconnected) == 0) {
            found->seen = kOtherUserSignedIn;
            CopyNameCut(found->userName, kSessionUserNameCapacity, record.userName ? record.userName : L"");
        }
        if (name)
            release(name);
    }
    if (sessions)
        release(sessions);
}

DWORD SessionOfProcess(DWORD processId)
{
    // Looked up by name like the terminal-services calls: not every Windows
    // 2000 kernel32 has it.
    const ProcessIdToSessionIdEntry sessionOf = reinterpret_cast<ProcessIdToSessionIdEntry>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ProcessIdToSessionId")));
    DWORD session = kNoSession;
    if (!sessionOf || !sessionOf(processId, &session))
        return kNoSession;
    return session;
}

DWORD CurrentSessionId()
{
    return SessionOfProcess(GetCurrentProcessId());
}

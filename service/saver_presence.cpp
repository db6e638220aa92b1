#include "saver_presence.h"

#include "running_programs.h"
#include "scoped_handles.h"
#include "user_sessions.h"

#include <sddl.h>

namespace {

enum ProcessAccount { kServiceAccount, kOtherAccount, kUnknownAccount };

bool SidIs(PSID sid, const char* text)
{
    ScopedLocalMemory<PSID> known;
    return ConvertStringSidToSidA(text, known.Receive()) && EqualSid(sid, known.Get());
}

// The account of the process's token: the same two accounts that make the
// screen saver read the logon profile (local system, local service).
ProcessAccount AccountOfProcess(DWORD processId)
{
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    ScopedHandle token;
    if (!process.Valid() || !OpenProcessToken(process.Get(), TOKEN_QUERY, token.Receive()))
        return kUnknownAccount;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } owner;
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenUser, &owner, sizeof(owner), &size) || !owner.user.User.Sid)
        return kUnknownAccount;
    return SidIs(owner.user.User.Sid, "S-1-5-18") || SidIs(owner.user.User.Sid, "S-1-5-19") ? kServiceAccount
                                                                                              : kOtherAccount;
}

}  // namespace

bool LookForSavers(SaverPresence* presence, unsigned long* error)
{
    *presence = SaverPresence();
    unsigned long ids[kMaxSaversSeen];
    const int running = RunningProcessIds(kSaverFileName, ids, kMaxSaversSeen, error);
    if (running < 0)
        return false;
    presence->count = running < kMaxSaversSeen ? running : kMaxSaversSeen;
    for (int i = 0; i < presence->count; ++i) {
        presence->sessions[i] = SessionOfProcess(ids[i]);
        const ProcessAccount account = AccountOfProcess(ids[i]);
        presence->serviceAccount |= account != kOtherAccount;
        presence->otherAccount |= account != kServiceAccount;
    }
    return true;
}

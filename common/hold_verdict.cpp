#include "hold_verdict.h"

#include "running_programs.h"

#include <stdio.h>
#include <string.h>

namespace {

void NoOtherUser(OtherUsers* users)
{
    users->seen = kNoOtherUser;
    users->error = 0;
    users->userName[0] = 0;
}

}  // namespace

bool InsideActionHours(const ActionHours& hours, int minuteOfDay)
{
    if (!hours.restricted || hours.startMinute == hours.endMinute)
        return true;
    if (hours.startMinute < hours.endMinute)
        return minuteOfDay >= hours.startMinute && minuteOfDay < hours.endMinute;
    return minuteOfDay >= hours.startMinute || minuteOfDay < hours.endMinute;
}

int LocalMinuteOfDay()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 60 + now.wMinute;
}

int FirstRunningExemptProgram(const ExemptPrograms& programs)
{
    if (programs.count == 0)
        return -1;
    const wchar_t* names[kMaxExemptPrograms];
    for (int i = 0; i < programs.count; ++i)
        names[i] = programs.names[i];
    // A list that cannot be taken finds nothing: the programs then hold as
    // they would without the setting rather than for ever.
    unsigned long error = 0;
    return FirstRunningProgram(names, programs.count, &error);
}

HoldVerdict WeighHolds(const HoldRules& rules, bool insideHours, int runningProgram, const OtherUsers& users)
{
    HoldVerdict verdict;
    verdict.kind = kNotHeld;
    verdict.program = -1;
    NoOtherUser(&verdict.users);
    if (!insideHours) {
        verdict.kind = kHeldByHours;
    } else if (runningProgram >= 0) {
        verdict.kind = kHeldByProgram;
        verdict.program = runningProgram;
    } else if (rules.usersHold && users.seen != kNoOtherUser) {
        verdict.kind = users.seen == kOtherUserSignedIn ? kHeldByOtherUser : kHeldBySessionsUnknown;
        verdict.users = users;
    }
    return verdict;
}

void LookAtHolds(const HoldRules& rules, const DWORD* ownSessions, int ownCount, HoldVerdict* verdict)
{
    static OtherUsers users;  // large for a stack; the looks run on one thread
    NoOtherUser(&users);
    const bool insideHours = InsideActionHours(rules.hours, LocalMinuteOfDay());
    const int program = insideHours ? FirstRunningExemptProgram(rules.programs) : -1;
    if (insideHours && program < 0 && rules.usersHold)
        LookForOtherUsers(ownSessions, ownCount, rules.countDisconnected, &users);
    *verdict = WeighHolds(rules, insideHours, program, users);
}

void DescribeHold(const HoldVerdict& verdict, const HoldRules& rules, wchar_t* text, size_t capacity)
{
    if (!capacity)
        return;
    text[0] = 0;
    switch (verdict.kind) {
    case kHeldByHours:
        swprintf(text, capacity, L"until %02d:%02d", rules.hours.startMinute / 60, rules.hours.startMinute % 60);
        break;
    case kHeldByProgram:
        if (verdict.program >= 0 && verdict.program < rules.programs.count)
            swprintf(text, capacity, L"while %ls runs", rules.programs.names[verdict.program]);
        break;
    case kHeldByOtherUser: {
        const wchar_t* name = verdict.users.userName[0] ? verdict.users.userName : L"another user";
        const wchar_t kBefore[] = L"while ";
        const wchar_t kAfter[] = L" is signed in";
        const size_t fixed = wcslen(kBefore) + wcslen(kAfter);
        if (capacity <= fixed)
            break;
        // The name gives way, so that the text keeps its end.
        size_t nameLength = wcslen(name);
        if (nameLength > capacity - 1 - fixed)
            nameLength = capacity - 1 - fixed;
        swprintf(text, capacity, L"%ls%.*ls%ls", kBefore, static_cast<int>(nameLength), name, kAfter);
        break;
    }
    case kHeldBySessionsUnknown:
        swprintf(text, capacity, L"while the signed-in users cannot be listed (error %lu)",
                 static_cast<unsigned long>(verdict.users.error));
        break;
    default:
        break;
    }
}

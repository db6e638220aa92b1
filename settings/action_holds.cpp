#include "action_holds.h"

#include "running_programs.h"

#include <string.h>

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

}  // namespace

void ParseExemptPrograms(const wchar_t* text, ExemptPrograms* programs)
{
    programs->count = 0;
    const wchar_t* cursor = text;
    while (*cursor && programs->count < kMaxExemptPrograms) {
        const wchar_t* end = wcschr(cursor, L';');
        if (!end)
            end = cursor + wcslen(cursor);
        const wchar_t* first = cursor;
        const wchar_t* last = end;
        while (first < last && IsBlank(*first))
            ++first;
        while (last > first && IsBlank(last[-1]))
            --last;
        const size_t length = static_cast<size_t>(last - first);
        // A cut name would never be the running program's, and might be another's.
        if (length > 0 && length <= static_cast<size_t>(kExemptNameMaxLength)) {
            wchar_t* name = programs->names[programs->count++];
            memcpy(name, first, length * sizeof(wchar_t));
            name[length] = 0;
        }
        cursor = *end ? end + 1 : end;
    }
}

int ExemptProgramIndex(const ExemptPrograms& programs, const wchar_t* fileName)
{
    const wchar_t* names[kMaxExemptPrograms];
    for (int i = 0; i < programs.count; ++i)
        names[i] = programs.names[i];
    return ListedNameIndex(fileName, names, programs.count);
}

void HoldRulesFor(const SaverSettings& settings, ShutdownType action, HoldRules* rules)
{
    rules->hours = ParseActionHours(settings.action_hours);
    ParseExemptPrograms(settings.exempt_programs, &rules->programs);
    rules->usersHold = (action == Shutdown || action == Restart) &&
                       settings.hold_for_other_users != kNeverHoldForOtherUsers;
    rules->countDisconnected = settings.hold_for_other_users == kHoldWhileOtherUserSignedIn;
}

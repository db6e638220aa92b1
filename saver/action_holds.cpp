#include "action_holds.h"

#include "running_programs.h"

#include <string.h>

namespace {

const int kMinutesPerHour = 60;

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// "HH:MM" at text, hours 00 to 23 and minutes 00 to 59.
bool ParseClock(const wchar_t* text, int* minuteOfDay)
{
    if (!IsDigit(text[0]) || !IsDigit(text[1]) || text[2] != L':' || !IsDigit(text[3]) ||
        !IsDigit(text[4]))
        return false;
    const int hours = (text[0] - L'0') * 10 + (text[1] - L'0');
    const int minutes = (text[3] - L'0') * 10 + (text[4] - L'0');
    if (hours > 23 || minutes > 59)
        return false;
    *minuteOfDay = hours * kMinutesPerHour + minutes;
    return true;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

void NamePointers(const ExemptPrograms& programs, const wchar_t** names)
{
    for (int i = 0; i < programs.count; ++i)
        names[i] = programs.names[i];
}

}  // namespace

ActionHours ParseActionHours(const wchar_t* text)
{
    ActionHours hours = {false, 0, 0};
    // The length test comes first, so no read passes the terminator.
    if (wcslen(text) != 11 || text[5] != L'-' || !ParseClock(text, &hours.startMinute) ||
        !ParseClock(text + 6, &hours.endMinute))
        return ActionHours{false, 0, 0};
    hours.restricted = true;
    return hours;
}

bool InsideActionHours(const ActionHours& hours, int minuteOfDay)
{
    if (!hours.restricted || hours.startMinute == hours.endMinute)
        return true;
    if (hours.startMinute < hours.endMinute)
        return minuteOfDay >= hours.startMinute && minuteOfDay < hours.endMinute;
    return minuteOfDay >= hours.startMinute || minuteOfDay < hours.endMinute;
}

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
    NamePointers(programs, names);
    return ListedNameIndex(fileName, names, programs.count);
}

int FirstRunningExemptProgram(const ExemptPrograms& programs)
{
    if (programs.count == 0)
        return -1;
    const wchar_t* names[kMaxExemptPrograms];
    NamePointers(programs, names);
    // A list that cannot be taken finds nothing: the saver then acts as it
    // would without the setting rather than never.
    unsigned long error = 0;
    return FirstRunningProgram(names, programs.count, &error);
}

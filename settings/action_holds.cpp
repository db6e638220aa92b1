#include "action_holds.h"

#include "running_programs.h"

#include <windows.h>

#include <string.h>

namespace {

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

int LocalMinuteOfDay()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 60 + now.wMinute;
}

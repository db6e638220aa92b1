#include "action_hours.h"

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

bool ActionHoursTextParses(const wchar_t* text)
{
    return ParseActionHours(text).restricted;
}

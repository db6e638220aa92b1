// The hours in which the action may happen: "HH:MM-HH:MM" in 24-hour local
// time. The screen saver holds its action outside them; a policy value that is
// not of that form is ignored like any other invalid policy value.
#pragma once

// The hours as minutes after midnight: startMinute is inside them, endMinute
// the first minute outside. Not restricted: any time of day.
struct ActionHours {
    bool restricted;
    int startMinute;
    int endMinute;
};

// "HH:MM-HH:MM" in 24-hour time, two digits each; any other text (an empty
// one included) restricts nothing.
ActionHours ParseActionHours(const wchar_t* text);
// Whether minuteOfDay (0 to 1439) is inside the hours. The range may wrap
// midnight; equal start and end mean all day.
bool InsideActionHours(const ActionHours& hours, int minuteOfDay);

// True when text is of the form (so that it restricts the hours).
bool ActionHoursTextParses(const wchar_t* text);

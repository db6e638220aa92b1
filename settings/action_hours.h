// The hours in which the action may happen: "HH:MM-HH:MM" in 24-hour local
// time. The screen saver holds its action outside them; a policy value that is
// not of that form is ignored like any other invalid policy value.
#pragma once

#include "hold_verdict.h"

// "HH:MM-HH:MM" in 24-hour time, two digits each; any other text (an empty
// one included) restricts nothing.
ActionHours ParseActionHours(const wchar_t* text);

// True when text is of the form (so that it restricts the hours).
bool ActionHoursTextParses(const wchar_t* text);

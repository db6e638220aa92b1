// The holds on a power action, weighed in one order wherever an action is
// decided: the hours in which it may happen, then the programs during which it
// must not, then the other users whose work it would end. The screen saver's
// rows and its last look before the action, the companion service's check of a
// relayed action and its own shutdown of a computer nobody is signed in to all
// weigh them here. The settings' texts are parsed in settings/.
#pragma once

#include "user_sessions.h"

#include <stddef.h>
#include <stdint.h>

// The hours as minutes after midnight: startMinute is inside them, endMinute
// the first minute outside. Not restricted: any time of day.
struct ActionHours {
    bool restricted;
    int startMinute;
    int endMinute;
};

// Whether minuteOfDay (0 to 1439) is inside the hours. The range may wrap
// midnight; equal start and end mean all day.
bool InsideActionHours(const ActionHours& hours, int minuteOfDay);
// The local time of day in minutes after midnight, as the hours are read.
int LocalMinuteOfDay();

const int kMaxExemptPrograms = 16;
const int kExemptNameMaxLength = 64;

// The program file names as written, without the blanks around them.
struct ExemptPrograms {
    int count;
    wchar_t names[kMaxExemptPrograms][kExemptNameMaxLength + 1];
};

// The index of the first name that a running process of any session has, or
// -1 (also when the process list cannot be taken). No names: no process list.
int FirstRunningExemptProgram(const ExemptPrograms& programs);

// Which hold applies, in the order in which they are weighed.
enum HoldKind : int32_t {
    kNotHeld = 0,
    kHeldByHours,
    kHeldByProgram,
    kHeldByOtherUser,
    kHeldBySessionsUnknown,  // the sessions cannot be listed: someone may be signed in
};

struct HoldVerdict {
    HoldKind kind;
    int program;       // kHeldByProgram: the index of the listed program that runs, else -1
    OtherUsers users;  // kHeldByOtherUser: who; kHeldBySessionsUnknown: the error
};

// What holds one action.
struct HoldRules {
    ActionHours hours;
    ExemptPrograms programs;
    bool usersHold;          // the action ends other sessions and the setting holds it for them
    bool countDisconnected;  // a disconnected session's user counts as signed in
};

// The first hold that applies to what was seen: inside the hours or not, the
// running program's index (-1: none), and the other users (which only count
// where the rules say so).
HoldVerdict WeighHolds(const HoldRules& rules, bool insideHours, int runningProgram, const OtherUsers& users);

// Looks at the running system as far as it needs to, the sessions last: the
// hours now, then the processes, then the sessions outside ownSessions.
void LookAtHolds(const HoldRules& rules, const DWORD* ownSessions, int ownCount, HoldVerdict* verdict);

// The hold in words after "held", as a row or a log entry says it:
// "until 19:00", "while backup.exe runs", "while ana is signed in" (a name
// that cannot be read is "another user"; a long one is cut so that the text
// keeps its end), "while the signed-in users cannot be listed (error 1722)".
// Empty when nothing holds.
void DescribeHold(const HoldVerdict& verdict, const HoldRules& rules, wchar_t* text, size_t capacity);

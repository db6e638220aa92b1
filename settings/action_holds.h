// The two holds on the action: the hours in which it may happen, and the
// programs during which it must not. They hold the screen saver's action and
// the companion service's shutdown of a computer nobody is signed in to alike.
#pragma once

#include "action_hours.h"

const int kMaxExemptPrograms = 16;
const int kExemptNameMaxLength = 64;

// The names as written, without the blanks around them.
struct ExemptPrograms {
    int count;
    wchar_t names[kMaxExemptPrograms][kExemptNameMaxLength + 1];
};

// Names separated by ";". Empty names and names longer than
// kExemptNameMaxLength are skipped; names after the kMaxExemptPrograms-th kept
// one are ignored.
void ParseExemptPrograms(const wchar_t* text, ExemptPrograms* programs);
// The index of the first name equal to fileName in any letter case, or -1.
int ExemptProgramIndex(const ExemptPrograms& programs, const wchar_t* fileName);
// The index of the first name that a running process of any session has, or
// -1 (also when the process list cannot be taken). No names: no process list.
int FirstRunningExemptProgram(const ExemptPrograms& programs);

// The local time of day in minutes after midnight, as the hours are read.
int LocalMinuteOfDay();

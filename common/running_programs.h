// Whether programs of given file names run anywhere on the computer: the
// companion service looks for the screen saver, the screen saver for the
// programs that hold its action.
#pragma once

// The index of the first of names[0 .. count) equal to fileName without
// regard to letter case; -1 when none is.
int ListedNameIndex(const wchar_t* fileName, const wchar_t* const* names, int count);

// The smallest index i for which a running process's file name equals
// names[i] without regard to case; -1 when none runs, or when the process list
// cannot be taken (*error then holds the platform's error number, else 0).
// One process snapshot per call.
int FirstRunningProgram(const wchar_t* const* names, int count, unsigned long* error);

// The ids of the running processes whose file name is fileName without regard
// to case, at most capacity of them; returns how many run (possibly more than
// capacity), or -1 when the process list cannot be taken (*error then holds
// the platform's error number, else 0).
int RunningProcessIds(const wchar_t* fileName, unsigned long* ids, int capacity, unsigned long* error);

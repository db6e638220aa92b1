// Whether a screen saver of ours is running anywhere on the computer.
#pragma once

// The file name a running screen saver's process has.
inline constexpr wchar_t kSaverFileName[] = L"Dusklatch.scr";

// True when a process whose file name is kSaverFileName (in any case) is
// listed; false when none is, or when the list cannot be taken (*error then
// holds the platform's error number, else 0).
bool SaverIsRunning(unsigned long* error);

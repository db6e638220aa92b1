// Makes Dusklatch the active screen saver, with an idle timeout, for the
// current user or for the logon desktop.
#pragma once

#include <stddef.h>

// The timeout stored for the argument's value: at least 60 seconds, a shorter
// positive one becomes 90. False when nothing is to be stored (0 or less).
bool StoredTimeout(long requested, long* stored);

// The path written to "SCRNSAVE.EXE" from the folders this process sees:
// wow64Folder (empty unless the process runs under WOW64) when there is one,
// else systemFolder, followed by "\Dusklatch.scr". False when the chosen
// folder is empty or the path would not fit in capacity units.
bool FormSaverPath(const wchar_t* systemFolder, const wchar_t* wow64Folder, wchar_t* path, size_t capacity);

// FormSaverPath from this process's system directory and, under WOW64, the
// 32-bit system folder.
bool BuildSaverPath(wchar_t* path, size_t capacity);

// The whole tool; returns its exit status.
int SelectScreenSaver(int argc, wchar_t** argv);

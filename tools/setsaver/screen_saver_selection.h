// Makes Dusklatch the active screen saver, with an idle timeout, for the
// current user or for the logon desktop.
#pragma once

// The timeout stored for the argument's value: at least 60 seconds, a shorter
// positive one becomes 90. False when nothing is to be stored (0 or less).
bool StoredTimeout(long requested, long* stored);

// The whole tool; returns its exit status.
int SelectScreenSaver(int argc, wchar_t** argv);

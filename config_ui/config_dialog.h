// The configuration dialog and the centring of the message boxes it shows.
#pragma once

#include <windows.h>

// Where the logo click leads; change it here when the product has a site of its own.
extern const char kHomePageUrl[];

// The picker's hours run 0 to 23: 23:59:59 is the longest countdown it shows.
const int kLongestPickerCountdown = 86399;

// Pure helpers of the dialog.
// A countdown outside the picker's range shows as its nearer end.
void CountdownToTime(int countdownSeconds, SYSTEMTIME* time);
int TimeToCountdown(const SYSTEMTIME& time);   // never below kShortestCountdown
// What OK stores: the picked time (with the floor), except that a stored
// countdown the picker cannot show is kept while the picker still shows the
// end the dialog put there.
int CountdownAfterOk(int storedCountdown, const SYSTEMTIME& picked);
bool LogoHit(const RECT& logo, int x, int y);  // edges included
POINT CenteredPosition(const RECT& window, const RECT& parent);
// The text of the box that reports a failed save: the file's path (left out
// when empty) and the system's message for the error without its trailing
// line breaks, or "error <number>" when there is no message. Cut to fit
// `capacity` units, always terminated.
void ComposeSaveErrorText(const wchar_t* path, DWORD error, const wchar_t* systemMessage, wchar_t* text,
                          size_t capacity);

// The configuration mode's entry points, handed to the screen-saver framework.
BOOL WINAPI RegisterDialogClasses(HANDLE instance);
BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void CenterOverParent(HWND window, HWND parent);
LRESULT CALLBACK CenteringDialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

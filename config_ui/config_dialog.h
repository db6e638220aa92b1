// The configuration dialog and the centring of the message boxes it shows.
#pragma once

#include <windows.h>

// Where the logo click leads; change it here when the product has a site of its own.
extern const char kHomePageUrl[];

// Pure helpers of the dialog.
void CountdownToTime(int countdownSeconds, SYSTEMTIME* time);
int TimeToCountdown(const SYSTEMTIME& time);   // with the 15-second floor
bool LogoHit(const RECT& logo, int x, int y);  // edges included
POINT CenteredPosition(const RECT& window, const RECT& parent);

void CenterOverParent(HWND window, HWND parent);
LRESULT CALLBACK CenteringDialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

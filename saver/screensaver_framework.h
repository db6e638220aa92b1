// The screen-saver framework: process entry, command-line modes, the saver and
// preview windows and the rule that input ends the saver. The program supplies
// ScreenSaverProc, and hands over its configuration dialog at the entry.
#pragma once

#include <windows.h>

LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI DefScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The configuration mode's entry points, given to RunScreenSaver by the
// program's entry, so that the framework names no dialog of its own.
struct ScreenSaverDialog {
    BOOL(WINAPI* registerDialogClasses)(HANDLE instance);
    BOOL(WINAPI* configureDialog)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    int templateId;  // the dialog resource
};

extern const wchar_t kSaverClassName[];     // "WindowsScreenSaverClass"
extern const wchar_t kSaverWindowTitle[];   // "Screen Saver"
extern const wchar_t kPreviewWindowTitle[]; // "Preview"

enum SaverMode {
    SaverModeFullScreen,
    SaverModePreview,
    SaverModeConfigure,
    SaverModePassword,
    SaverModeInvalid,
};

struct SaverCommand {
    SaverMode mode;
    bool hasOption;          // false: nothing but blanks, '-' and '/' was given
    bool hasWindow;          // a decimal window handle followed the letter
    unsigned long window;    // that handle's value
};

// Parses the arguments after the program name.
SaverCommand ParseSaverCommandLine(const wchar_t* arguments);
// Skips the program name (quoted or not) of a full command line.
const wchar_t* SkipProgramName(const wchar_t* commandLine);

// The framework's input rule: the cursor has moved more than 4 pixels as |dx| + |dy|.
bool MouseMovedPastThreshold(POINT reference, POINT now);

int RunScreenSaver(HINSTANCE instance, const wchar_t* commandLine, const ScreenSaverDialog& dialog);

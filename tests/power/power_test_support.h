// Helpers of the power tests: the companion test double, the task probe and
// the expected bytes of messages on the wire.
#pragma once

#include "test_support.h"

#include <windows.h>

#include <string>
#include <vector>

// A fresh path in a scratch folder of the prefix's temporary directory; any
// file already there under that name is removed.
std::wstring ScratchPath(const wchar_t* name);

// A message as the companion service receives it: UTF-16LE text and one NUL.
std::vector<unsigned char> WireBytes(const std::wstring& text);

// The task probe's command line: it writes its process id to pidFile and stays
// for the given seconds.
std::wstring TaskProbeCommand(const std::wstring& pidFile, int seconds);
// Waits for the probe's file; 0 when it did not appear in time.
DWORD WaitForTaskPid(const std::wstring& pidFile, DWORD timeoutMs);
// Ends a probe that is still waiting, by the id it wrote for us.
void EndProcessById(DWORD processId);
// True when a process of that id exists and has not ended.
bool ProcessIsRunning(DWORD processId);

// The settings file with the action, force, countdown and pre-shutdown task,
// and any further lines after them.
bool WriteSaverSettings(int action, bool force, int countdown, bool performTask,
                        const std::wstring& taskJob, const std::vector<std::wstring>& moreLines = {});

// The real Dusklatch.scr /s on the test display.
struct SaverRun {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    DWORD shownAt = 0;  // tick when its window was first found
};

// Starts it (or the copy at program) and waits for its window; false when the
// window did not appear.
bool StartFullScreenSaver(SaverRun* saver, const std::wstring& program = BinPath(L"Dusklatch.scr"));
// Closes its window, waits for its end (ending it if need be) and forgets it.
void EndFullScreenSaver(SaverRun* saver);

struct CompanionRecord {
    std::string kind;  // "ready", "message", "pulse" or "stopped"
    DWORD tick = 0;
    std::vector<unsigned char> bytes;  // a message's exact bytes
};

std::vector<CompanionRecord> ReadCompanionRecords(const std::wstring& recordFile);
// Only the messages and pulses, in the order the companion saw them.
std::vector<CompanionRecord> WireRecords(const std::wstring& recordFile);

struct CompanionProcess {
    PROCESS_INFORMATION process = {};
    std::wstring recordFile;
};

// Starts companion.exe and waits until its mailbox exists.
bool StartCompanion(CompanionProcess* companion, const wchar_t* recordName);
// Asks it to stop, waits for its end and closes its handles.
void StopCompanion(CompanionProcess* companion);
// Waits until the companion has recorded a pulse (or the time is up).
bool WaitForPulse(const CompanionProcess& companion, DWORD timeoutMs);

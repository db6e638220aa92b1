// Helpers shared by the Windows-side tests: paths, files and child processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Folder of the running test program (build/bin, beside the deliverables).
std::wstring ModuleFolder();
std::wstring BinPath(const wchar_t* fileName);

std::vector<unsigned char> Utf16Bytes(const std::wstring& text);
// The inverse: UTF-16LE bytes as text, an odd last byte shown as "(odd byte)".
std::wstring Utf16Text(const std::vector<unsigned char>& bytes);
bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>* bytes);
bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::wstring& path);

// C:\ProgramData\Orvanta\Dusklatch and the settings file in it.
std::wstring SettingsFolder();
std::wstring SettingsFile();
// Removes the settings file (and its folder's temporary files) for a clean start.
void RemoveSettingsFile();
// The settings file as UTF-16 text ("(no file)" when it cannot be read).
std::wstring ReadSettingsText();
// Writes the given lines, each ending in CR LF, as UTF-16LE without BOM.
bool WriteSettingsLines(const std::vector<std::wstring>& lines);

struct ProcessResult {
    bool started = false;
    bool finished = false;   // false when the timeout ended the wait (the process is killed)
    DWORD exitCode = 0;
    std::string output;      // standard output and error bytes, as written
};

// Runs a command line, capturing its output, and waits at most timeoutMs.
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30000,
                         const wchar_t* environment = nullptr);

// Starts a command line without waiting; the caller closes the handles.
bool StartProcess(const std::wstring& commandLine, PROCESS_INFORMATION* info);
// Waits until FindWindow finds the class and title, or the time runs out.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs);
// A visible 200 x 160 top-level window of this process for a preview to live in.
HWND CreatePreviewHost();
// Dispatches this thread's messages for a while: a preview's creation in
// another process waits on its parent's thread.
void PumpMessages(DWORD milliseconds);
// Ends a process still running at the end of a test and closes its handles.
void EndProcess(PROCESS_INFORMATION* info, DWORD waitMs = 5000);

// Makes Wine load a program's own copy of a library that it also has built in
// (a stand-in beside the program, for what Wine lacks), or with prefer false
// forgets it. Wine reads it when the program starts.
void PreferLocalLibrary(const wchar_t* programFileName, const wchar_t* library, bool prefer);

// Group Policy values as an administrator's tools leave them, written by
// reg.exe into the machine's policy key or (subkey L"\\Logon") its Logon subkey.
bool AddPolicyValue(const wchar_t* subkey, const wchar_t* name, const wchar_t* type,
                    const std::wstring& data);
// Removes the policy key with everything below it.
void RemovePolicyKey();

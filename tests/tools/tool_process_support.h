// Helpers of the tool tests that run the tools as processes.
#pragma once

#include "test_support.h"

#include <windows.h>

#include <string>
#include <vector>

std::wstring Quoted(const std::wstring& path);
// ASCII text for test messages.
std::string Narrow(const std::wstring& text);
// A file's bytes, or the bytes of "(missing)" when it cannot be read.
std::vector<unsigned char> FileContents(const std::wstring& path);

// The installation package the build writes beside bin (no trailing backslash).
std::wstring PackageFolder();
// fileName in the system directory as this 32-bit process names it: where
// installsaver copies to.
std::wstring SystemDirectoryFile(const wchar_t* fileName);
// True when this 32-bit process runs on 64-bit Windows (a win64 Wine prefix).
bool RunsUnderWow64();

// Runs build/bin/<program> with arguments, capturing what it writes.
ProcessResult RunTool(const wchar_t* program, const std::wstring& arguments = L"");

// Runs a command line with standard output and error redirected to a new file
// at outputPath; false when it could not be started or did not end in time.
bool RunWithOutputFile(const std::wstring& commandLine, const std::wstring& outputPath, DWORD* exitCode);

// The value's type and raw bytes as stored; false when it is missing.
bool ReadRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD* type,
                       std::vector<unsigned char>* bytes);

// Keeps a registry value as it was before a test and puts it back afterwards
// (or removes it when it did not exist).
class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name);
    ~SavedRegistryValue();
    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

private:
    HKEY root_;
    std::wstring subkey_;
    std::wstring name_;
    bool existed_;
    DWORD type_;
    std::vector<unsigned char> bytes_;
};

bool SetRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, const std::wstring& text);
bool DeleteRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name);

// Keeps a file's bytes (or its absence) and puts them back at the end.
class SavedFile {
public:
    explicit SavedFile(const std::wstring& path);
    ~SavedFile();
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;

private:
    std::wstring path_;
    std::vector<unsigned char> bytes_;
    bool existed_;
};

// A fresh folder under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);

// The companion service's description, as svcctl, its own install command and
// the installer package write it.
const char kCompanionDescription[] =
    "Required by Dusklatch. If this service is stopped Dusklatch will not work correctly in certain "
    "configurations.";

// The companion service DusklatchService in Wine's service control manager.
// Its state, 0 when it is not installed.
DWORD CompanionServiceState(SC_HANDLE manager);
bool WaitForServiceState(SC_HANDLE service, DWORD state, DWORD timeoutMs);
// Stops the service if it runs, waits for the stop and deletes it; false when
// it is still there afterwards.
bool RemoveCompanionService(SC_HANDLE manager);

// Helpers of the tool tests that run the tools as processes.
#pragma once

#include "test_support.h"

#include <windows.h>

#include <string>
#include <vector>

std::wstring Quoted(const std::wstring& path);

// Runs build/bin/<program> with arguments, capturing what it writes.
ProcessResult RunTool(const wchar_t* program, const std::wstring& arguments = L"");

// Runs a command line with standard output and error redirected to a new file
// at outputPath; false when it could not be started or did not end in time.
bool RunWithOutputFile(const std::wstring& commandLine, const std::wstring& outputPath, DWORD* exitCode);

// The value's type and raw bytes as stored; false when it is missing.
bool ReadRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD* type,
                       std::vector<unsigned char>* bytes);
// Bytes of text as UTF-16LE without terminator, for comparing with stored values.
std::vector<unsigned char> TextBytes(const std::wstring& text);

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

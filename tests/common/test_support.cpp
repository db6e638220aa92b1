#include "test_support.h"

#include <shlobj.h>

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? folder : folder.substr(0, slash);
}

std::wstring BinPath(const wchar_t* fileName)
{
    return ModuleFolder() + L"\\" + fileName;
}

std::vector<unsigned char> Utf16Bytes(const std::wstring& text)
{
    std::vector<unsigned char> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    return bytes;
}

std::wstring Utf16Text(const std::vector<unsigned char>& bytes)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    if (bytes.size() % 2)
        text += L"(odd byte)";
    return text;
}

bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>* bytes)
{
    bytes->clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got)
        bytes->insert(bytes->end(), chunk, chunk + got);
    CloseHandle(file);
    return true;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = bytes.empty() ||
              (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
               put == bytes.size());
    CloseHandle(file);
    return ok;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring SettingsFolder()
{
    wchar_t appData[MAX_PATH];
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE);
    return std::wstring(appData) + L"\\Orvanta\\Dusklatch";
}

std::wstring SettingsFile()
{
    return SettingsFolder() + L"\\Dusklatch.ini";
}

void RemoveSettingsFile()
{
    DeleteFileW(SettingsFile().c_str());
}

std::wstring ReadSettingsText()
{
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(SettingsFile(), &bytes))
        return L"(no file)";
    return Utf16Text(bytes);
}

bool WriteSettingsLines(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\r\n";
    wchar_t appData[MAX_PATH];
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_COMMON_APPDATA, FALSE);
    CreateDirectoryW((std::wstring(appData) + L"\\Orvanta").c_str(), nullptr);
    CreateDirectoryW(SettingsFolder().c_str(), nullptr);
    return WriteFileBytes(SettingsFile(), Utf16Bytes(text));
}

namespace {

// Reads what is in the pipe now, without waiting for more.
void ReadAvailable(HANDLE pipe, std::string* output)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, sizeof(chunk), &got, nullptr) || !got)
            break;
        output->append(chunk, got);
    }
}

}  // namespace

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs, const wchar_t* environment)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    DWORD flags = environment ? CREATE_UNICODE_ENVIRONMENT : 0;
    result.started = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, flags,
                                    const_cast<wchar_t*>(environment), nullptr, &startup, &info) != FALSE;
    CloseHandle(writeEnd);
    if (!result.started) {
        CloseHandle(readEnd);
        return result;
    }
    // Drain the pipe while waiting so that a chatty child never blocks on a full pipe.
    DWORD start = GetTickCount();
    for (;;) {
        ReadAvailable(readEnd, &result.output);
        if (WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0)
            break;
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(info.hProcess, 0xDEAD);
            WaitForSingleObject(info.hProcess, 5000);
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            CloseHandle(readEnd);
            return result;
        }
    }
    // Everything the child wrote is in the pipe once it has ended. Reading on to
    // the end of the pipe could wait forever: a process the child started (Wine
    // starts its desktop process from whichever program first needs it) may
    // hold the write end.
    ReadAvailable(readEnd, &result.output);
    result.finished = true;
    GetExitCodeProcess(info.hProcess, &result.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(readEnd);
    return result;
}

bool StartProcess(const std::wstring& commandLine, PROCESS_INFORMATION* info)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, info) != FALSE;
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowW(className, title);
        if (window || GetTickCount() - start > timeoutMs)
            return window;
        Sleep(50);
    }
}

void EndProcess(PROCESS_INFORMATION* info, DWORD waitMs)
{
    if (!info->hProcess)
        return;
    if (WaitForSingleObject(info->hProcess, waitMs) != WAIT_OBJECT_0) {
        TerminateProcess(info->hProcess, 0xDEAD);
        WaitForSingleObject(info->hProcess, 5000);
    }
    CloseHandle(info->hThread);
    CloseHandle(info->hProcess);
    info->hThread = nullptr;
    info->hProcess = nullptr;
}

HWND CreatePreviewHost()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DusklatchPreviewHost";
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    return CreateWindowExW(0, windowClass.lpszClassName, L"preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                           10, 200, 160, nullptr, nullptr, windowClass.hInstance, nullptr);
}

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        Sleep(10);
    }
}

namespace {

const wchar_t kPolicyKeyName[] = L"HKLM\\SOFTWARE\\Policies\\Orvanta\\Dusklatch";

}  // namespace

void PreferLocalLibrary(const wchar_t* programFileName, const wchar_t* library, bool prefer)
{
    const std::wstring key = std::wstring(L"\"HKCU\\Software\\Wine\\AppDefaults\\") + programFileName + L"\\DllOverrides\"";
    RunProcess(prefer ? L"reg add " + key + L" /v " + library + L" /d native,builtin /f" : L"reg delete " + key + L" /f");
}

bool AddPolicyValue(const wchar_t* subkey, const wchar_t* name, const wchar_t* type,
                    const std::wstring& data)
{
    // reg.exe takes an argument's own quotes escaped as \".
    std::wstring quoted;
    for (wchar_t c : data) {
        if (c == L'"')
            quoted += L'\\';
        quoted += c;
    }
    const ProcessResult result = RunProcess(L"reg add \"" + std::wstring(kPolicyKeyName) + subkey +
                                            L"\" /v " + name + L" /t " + type + L" /d \"" + quoted +
                                            L"\" /f");
    return result.finished && result.exitCode == 0;
}

void RemovePolicyKey()
{
    RunProcess(L"reg delete \"" + std::wstring(kPolicyKeyName) + L"\" /f");
}

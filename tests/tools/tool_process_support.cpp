#include "tool_process_support.h"

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::vector<unsigned char> FileContents(const std::wstring& path)
{
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(path, &bytes)) {
        const char missing[] = "(missing)";
        bytes.assign(missing, missing + sizeof(missing) - 1);
    }
    return bytes;
}

std::wstring PackageFolder()
{
    wchar_t full[MAX_PATH];
    // The build's own package: Dusklatch-2.1, or Dusklatch-2.1-x64 in the 64-bit build.
    const std::wstring relative = ModuleFolder() + L"\\..\\package\\" DUSKLATCH_PACKAGE_NAME;
    GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
    return full;
}

std::wstring SystemDirectoryFile(const wchar_t* fileName)
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + fileName;
}

bool RunsUnderWow64()
{
    // The headers' Windows 2000 level does not declare it.
    typedef BOOL(WINAPI * IsWow64ProcessEntry)(HANDLE, PBOOL);
    IsWow64ProcessEntry isWow64 = reinterpret_cast<IsWow64ProcessEntry>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

ProcessResult RunTool(const wchar_t* program, const std::wstring& arguments)
{
    std::wstring commandLine = Quoted(BinPath(program));
    if (!arguments.empty())
        commandLine += L" " + arguments;
    return RunProcess(commandLine, 60000);
}

bool RunWithOutputFile(const std::wstring& commandLine, const std::wstring& outputPath, DWORD* exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE file = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION info = {};
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    bool started = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &info) != FALSE;
    CloseHandle(file);
    if (!started)
        return false;
    bool finished = WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0;
    if (!finished)
        TerminateProcess(info.hProcess, 0xDEAD);
    GetExitCodeProcess(info.hProcess, exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return finished;
}

bool ReadRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD* type,
                       std::vector<unsigned char>* bytes)
{
    bytes->clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
    if (result == ERROR_SUCCESS && size) {
        bytes->resize(size);
        result = RegQueryValueExW(key, name, nullptr, type, bytes->data(), &size);
        bytes->resize(size);
    }
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

SavedRegistryValue::SavedRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name)
    : root_(root), subkey_(subkey), name_(name), existed_(false), type_(0)
{
    existed_ = ReadRegistryValue(root, subkey, name, &type_, &bytes_);
}

SavedRegistryValue::~SavedRegistryValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExW(key, name_.c_str(), 0, type_, bytes_.data(), static_cast<DWORD>(bytes_.size()));
    else
        RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

bool SetRegistryText(HKEY root, const wchar_t* subkey, const wchar_t* name, const std::wstring& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const wchar_t* subkey, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subkey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG result = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

SavedFile::SavedFile(const std::wstring& path) : path_(path), existed_(ReadFileBytes(path, &bytes_)) {}

SavedFile::~SavedFile()
{
    if (existed_)
        WriteFileBytes(path_, bytes_);
    else
        DeleteFileW(path_.c_str());
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

ScratchFolder::ScratchFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp, length) + name;
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

namespace {

const wchar_t kCompanionService[] = L"DusklatchService";

}  // namespace

DWORD CompanionServiceState(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceW(manager, kCompanionService, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (service) {
        QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                             &needed);
        CloseServiceHandle(service);
    }
    return status.dwCurrentState;
}

bool WaitForServiceState(SC_HANDLE service, DWORD state, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                                  &needed))
            return false;
        if (status.dwCurrentState == state)
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
}

bool RemoveCompanionService(SC_HANDLE manager)
{
    SC_HANDLE service = OpenServiceW(manager, kCompanionService, SERVICE_ALL_ACCESS);
    if (!service)
        return true;
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    WaitForServiceState(service, SERVICE_STOPPED, 20000);
    DeleteService(service);
    CloseServiceHandle(service);
    for (int i = 0; i < 100; ++i) {
        SC_HANDLE again = OpenServiceW(manager, kCompanionService, SERVICE_QUERY_STATUS);
        if (!again)
            return true;
        CloseServiceHandle(again);
        Sleep(50);
    }
    return false;
}

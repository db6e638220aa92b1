#include "tool_paths.h"

#include "process_bitness.h"

#include <windows.h>
#include <wchar.h>

namespace {

// Length of the leading components of path, each with its backslash.
size_t SkipComponents(const wchar_t* path, size_t start, int components)
{
    size_t position = start;
    while (components-- > 0) {
        while (path[position] && path[position] != L'\\')
            ++position;
        if (!path[position])
            return position;
        ++position;
    }
    return position;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix)
{
    return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

bool IsAsciiLetter(wchar_t unit)
{
    return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
}

}  // namespace

bool CopyWholeText(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    size_t length = wcslen(text);
    if (length >= capacity)
        return false;
    wmemcpy(buffer, text, length + 1);
    return true;
}

bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    size_t used = wcslen(buffer);
    size_t length = wcslen(text);
    if (used >= capacity || length >= capacity - used)
        return false;
    wmemcpy(buffer + used, text, length + 1);
    return true;
}

size_t PathRootLength(const wchar_t* path)
{
    if (StartsWith(path, L"\\\\?\\UNC\\") || StartsWith(path, L"\\\\.\\UNC\\"))
        return SkipComponents(path, 8, 2);
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\"))
        return SkipComponents(path, 4, 1);
    if (StartsWith(path, L"\\\\"))
        return SkipComponents(path, 2, 2);
    if (IsAsciiLetter(path[0]) && path[1] == L':')
        return path[2] == L'\\' ? 3 : 2;
    return path[0] == L'\\' ? 1 : 0;
}

bool PackageFolderFromModulePath(const wchar_t* modulePath, wchar_t* folder, size_t capacity)
{
    const wchar_t* fileName = wcsrchr(modulePath, L'\\');
    if (!fileName)
        return false;
    size_t programFolderLength = static_cast<size_t>(fileName - modulePath);
    // A program in a root folder (C:\x.exe, \\server\share\x.exe) has no folder
    // above its own; cutting once more would leave a bare drive designator, which
    // names the drive's current folder, or a server without a share.
    if (programFolderLength + 1 <= PathRootLength(modulePath))
        return false;
    size_t length = programFolderLength;
    while (length > 0 && modulePath[length - 1] != L'\\')
        --length;
    if (length == 0 || length >= capacity)
        return false;
    wmemcpy(folder, modulePath, length);
    folder[length] = 0;
    return true;
}

bool GetPackageFolder(wchar_t* folder, size_t capacity)
{
    wchar_t modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    // A full buffer means the path was cut (and, on Windows 2000, left unterminated).
    if (length == 0 || length >= MAX_PATH)
        return false;
    modulePath[length] = 0;
    return PackageFolderFromModulePath(modulePath, folder, capacity);
}

bool JoinFolderAndFile(const wchar_t* folder, const wchar_t* fileName, wchar_t* path, size_t capacity)
{
    if (!*folder)
        return false;
    return CopyWholeText(path, capacity, folder) && AppendText(path, capacity, L"\\") &&
           AppendText(path, capacity, fileName);
}

bool GetSystemFolder(wchar_t* folder, size_t capacity)
{
    if (capacity > MAX_PATH)
        capacity = MAX_PATH;
    // The length without the terminator, or the size needed when it does not fit.
    UINT length = GetSystemDirectoryW(folder, static_cast<UINT>(capacity));
    return length > 0 && length < capacity;
}

bool BuildSystemFilePath(const wchar_t* fileName, wchar_t* path, size_t capacity)
{
    wchar_t system[MAX_PATH];
    if (!GetSystemFolder(system, MAX_PATH))
        return false;
    return JoinFolderAndFile(system, fileName, path, capacity < MAX_PATH ? capacity : MAX_PATH);
}

bool GetSystemWow64Folder(wchar_t* folder, size_t capacity)
{
    // A 64-bit program is never redirected: the system directory it reads is
    // the native one, where its own installsaver puts the saver.
    if (!ProcessRunsUnderWow64())
        return false;
    // Looked up by name: Windows 2000 has no such call.
    typedef UINT(WINAPI * GetSystemWow64DirectoryEntry)(LPWSTR, UINT);
    HMODULE kernel = GetModuleHandleW(L"kernel32");
    GetSystemWow64DirectoryEntry getWow64Directory =
        kernel ? reinterpret_cast<GetSystemWow64DirectoryEntry>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemWow64DirectoryW")))
               : nullptr;
    if (!getWow64Directory)
        return false;
    if (capacity > MAX_PATH)
        capacity = MAX_PATH;
    UINT length = getWow64Directory(folder, static_cast<UINT>(capacity));
    return length > 0 && length < capacity;
}

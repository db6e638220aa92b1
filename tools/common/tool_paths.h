// Paths in fixed buffers of MAX_PATH units: every append checks the fit first,
// so a path is refused whole rather than cut or written past its buffer.
#pragma once

#include <stddef.h>

// Copies or appends text; false, with buffer unchanged, when the result and its
// terminator would not fit in capacity units.
bool CopyWholeText(wchar_t* buffer, size_t capacity, const wchar_t* text);
bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text);

// Units of path that name its root, the root's backslash included: 3 for
// "C:\...", 7 for "\\?\C:\...", up to the share's backslash for "\\server\share\...".
size_t PathRootLength(const wchar_t* path);

// The package folder of a program at modulePath: the folder above the program's
// own folder, with its trailing backslash ("C:\Pkg\bin\x.exe" gives "C:\Pkg\").
// False when the program's folder is itself a root, which has no folder above
// it, or when the folder would not fit.
bool PackageFolderFromModulePath(const wchar_t* modulePath, wchar_t* folder, size_t capacity);

// The running program's package folder.
bool GetPackageFolder(wchar_t* folder, size_t capacity);

// folder, a backslash and fileName; false when folder is empty or the path
// would not fit.
bool JoinFolderAndFile(const wchar_t* folder, const wchar_t* fileName, wchar_t* path, size_t capacity);

// The system directory as reported to this process; false when it cannot be
// had or would not fit.
bool GetSystemFolder(wchar_t* folder, size_t capacity);

// The system directory as reported to this process, a backslash and fileName.
bool BuildSystemFilePath(const wchar_t* fileName, wchar_t* path, size_t capacity);

// The folder that holds 32-bit system files on 64-bit Windows (SysWOW64), when
// this process runs under WOW64. False on 32-bit Windows, in a 64-bit program,
// when either lookup is missing or fails, or when the folder would not fit.
bool GetSystemWow64Folder(wchar_t* folder, size_t capacity);

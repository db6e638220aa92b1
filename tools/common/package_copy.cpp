#include "package_copy.h"

#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>

bool BuildPackageSourcePath(const wchar_t* fileName, wchar_t* path, size_t capacity)
{
    if (!GetPackageFolder(path, capacity)) {
        PrintText(L"Error: cannot find the package folder!\n");
        return false;
    }
    if (!AppendText(path, capacity, fileName)) {
        PrintText(L"Error: source path too long!\n");
        return false;
    }
    return true;
}

void PrintTargetTooLong()
{
    PrintText(L"Error: target path too long!\n");
}

void PrintCopyError(const wchar_t* source, const wchar_t* target)
{
    // One write for the whole line; both paths come from MAX_PATH buffers.
    wchar_t line[2 * MAX_PATH + 32] = L"Error copying \"";
    const size_t capacity = sizeof(line) / sizeof(line[0]);
    if (AppendText(line, capacity, source) && AppendText(line, capacity, L"\" to \"") &&
        AppendText(line, capacity, target) && AppendText(line, capacity, L"\"!\n")) {
        PrintText(line);
    } else {
        PrintText(L"Error copying \"");
        PrintText(source);
        PrintText(L"\" to \"");
        PrintText(target);
        PrintText(L"\"!\n");
    }
}

int CopyAndReport(const wchar_t* source, const wchar_t* target, const wchar_t* successLine)
{
    if (CopyFileW(source, target, FALSE)) {
        PrintText(successLine);
        return 0;
    }
    PrintCopyError(source, target);
    return kCopyFailedStatus;
}

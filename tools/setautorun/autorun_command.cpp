#include "autorun_command.h"

#include "registry_text.h"
#include "tool_arguments.h"
#include "tool_output.h"
#include "tool_paths.h"

#include <windows.h>

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace

bool ComposeAutorunCommand(const wchar_t* program, const wchar_t* timeout, wchar_t* command,
                           size_t capacity)
{
    // The quotes keep a path with spaces one program path for the logon command.
    return CopyWholeText(command, capacity, L"\"") && AppendText(command, capacity, program) &&
           AppendText(command, capacity, L"\" ") && AppendText(command, capacity, timeout);
}

int RegisterAutorun(int argc, wchar_t** argv)
{
    if (argc != 3) {
        PrintUsage(argc, argv, L" filepath timeout");
        return kStatusUsage;
    }
    wchar_t command[MAX_PATH];
    if (!ComposeAutorunCommand(argv[1], argv[2], command, MAX_PATH)) {
        PrintText(L"Error: command too long!\n");
        return kStatusTooLong;
    }
    ScopedRegKey key;
    if (!OpenKeyOrReport(HKEY_LOCAL_MACHINE, kRunKey, &key))
        return kStatusRegistryAccess;
    if (!WriteValueOrReport(key.Get(), L"Dusklatch", command))
        return kStatusRegistryWrite;
    PrintText(L"Dusklatch set for all users.\n");
    return 0;
}

#include "pre_shutdown_task.h"

#include "saver_settings.h"
#include "service_mailbox.h"
#include "settings_policy.h"
#include "settings_security.h"

#include <string.h>

HANDLE StartPreShutdownTask(DWORD* processId)
{
    // On the logon desktop the task would run as a service account: a command
    // from a file that an ordinary user could have written is treated as one
    // that cannot start. The policy key is writable by administrators only.
    if (CurrentUserIsServiceAccount() && !(g_policyFields & kPolicyTaskJob) &&
        !SettingsFileIsAdminOnly())
        return nullptr;

    // CreateProcessW may write into the command line, so it gets a copy; the
    // setting may fill its field to the last unit, hence the forced terminator.
    wchar_t commandLine[kTaskJobCapacity];
    memcpy(commandLine, g_settings.task_job, sizeof(commandLine));
    commandLine[kTaskJobCapacity - 1] = 0;

    STARTUPINFOW startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof(process));
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    *processId = process.dwProcessId;
    return process.hProcess;
}

bool RunPreShutdownTask()
{
    DWORD processId = 0;
    HANDLE process = StartPreShutdownTask(&processId);
    if (!process)
        return false;
    // The companion service does the waiting; the task outlives the saver.
    CloseHandle(process);

    wchar_t message[kMailboxMessageCapacity];
    ComposeWaitMessage(processId, message, kMailboxMessageCapacity);
    return PostServiceMessage(message);
}

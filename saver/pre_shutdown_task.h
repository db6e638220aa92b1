// The user's command that runs before a relayed power action.
#pragma once

#include <windows.h>

// Starts the task_job command, unless the logon desktop may not take it;
// returns the process handle, for the caller to close, and its id, or null.
HANDLE StartPreShutdownTask(DWORD* processId);

// Starts the task_job command without waiting for it and tells the companion
// service its process id; true when it started and the wait message was written.
bool RunPreShutdownTask();

// The user's command that runs before a relayed power action.
#pragma once

// Starts the task_job command without waiting for it and tells the companion
// service its process id; true when it started and the wait message was written.
bool RunPreShutdownTask();

// Carrying out the configured action when the countdown has run out.
#pragma once

#include "saver_settings.h"

#include <windows.h>

typedef BOOLEAN(WINAPI* GetPwrCapabilitiesEntry)(PSYSTEM_POWER_CAPABILITIES capabilities);

// 0 done, relayed or nothing to do; 1-4 the direct call for that action
// failed; 7 the action message could not be written to the mailbox.
int PowerDown(ShutdownType action, bool force);

// True when the machine sleeps in S0 low-power idle only (AoAc and no S3).
// Without the entry, or when it fails, the machine is taken to have S3.
bool OnlyS0LowPowerIdle(GetPwrCapabilitiesEntry getPwrCapabilities);

// On each tick: once the task that standby waits for has ended, the display goes off.
void StandByOnceTaskEnded();

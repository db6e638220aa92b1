// Carrying out the configured action when the countdown has run out.
#pragma once

#include "saver_settings.h"

// 0 done, relayed or nothing to do; 1-4 the direct call for that action
// failed; 7 the action message could not be written to the mailbox.
int PowerDown(ShutdownType action, bool force);

// Carrying out an accepted action message with the service's own rights.
#pragma once

#include "service_datagram.h"

#include <windows.h>
#include <reason.h>

// The shutdown reason given with a relayed shutdown or restart: planned, other.
const DWORD kRelayedShutdownReason =
    SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER;

// Enables the shutdown privilege, makes the action's call through the power
// table and logs the outcome; "NoAction" and a wait call nothing.
void CarryOutAction(const MailboxMessage& request);

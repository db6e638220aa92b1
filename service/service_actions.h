// Carrying out an accepted action message with the service's own rights.
#pragma once

#include "service_datagram.h"

// The shutdown reason given with a relayed shutdown or restart: planned, other.
const unsigned long kRelayedShutdownReason = 0x800000FF;

// Enables the shutdown privilege, makes the action's call through the power
// table and logs the outcome; "NoAction" only logs.
void CarryOutAction(const ServiceRequest& request);

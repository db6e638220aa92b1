// The holds on a relayed action, weighed right before the service carries it
// out: the task it waited for may have run for minutes since the screen saver
// last looked, and a relay may come from any program that calls itself
// Dusklatch.scr.
#pragma once

#include "hold_verdict.h"
#include "mailbox_protocol.h"
#include "saver_presence.h"

// Weighs the holds with the settings of the profile the relaying screen saver
// read (for each kind of account the running savers have, where more than one
// runs), with the sessions the savers run in as their own. The first profile
// that holds the action gives the verdict and its rules; kNotHeld when none does.
void WeighRelayHolds(MailboxVerb verb, const SaverPresence& savers, HoldVerdict* verdict, HoldRules* rules);

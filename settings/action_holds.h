// The holds' settings as the verdict weighs them: the hours in which the
// action may happen, the programs during which it must not, and whose
// sessions hold it. They hold the screen saver's action, a relayed one and the
// companion service's shutdown of a computer nobody is signed in to alike.
#pragma once

#include "action_hours.h"
#include "hold_verdict.h"
#include "saver_settings.h"

// Names separated by ";". Empty names and names longer than
// kExemptNameMaxLength are skipped; names after the kMaxExemptPrograms-th kept
// one are ignored.
void ParseExemptPrograms(const wchar_t* text, ExemptPrograms* programs);
// The index of the first name equal to fileName in any letter case, or -1.
int ExemptProgramIndex(const ExemptPrograms& programs, const wchar_t* fileName);

// The rules for an action under these settings. Only shutdown and restart end
// other users' sessions, so only they are held for other users, as
// hold_for_other_users says.
void HoldRulesFor(const SaverSettings& settings, ShutdownType action, HoldRules* rules);

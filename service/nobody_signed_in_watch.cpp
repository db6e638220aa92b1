// The watch: the settings, the holds and the sessions once a minute, and the
// shutdown when the decision says so.
#include "nobody_signed_in.h"

#include "action_holds.h"
#include "service_actions.h"
#include "service_log.h"
#include "service_settings.h"

namespace {

const DWORD kLookPeriodMs = 60 * 1000;

bool g_watching = false;
DWORD g_lastLook = 0;
NobodySignedInState g_state = {};
int32_t g_configured = 0;
int32_t g_ignored = 0;  // the minutes last read from a file others may change, and ignored
ServiceSettings g_read;

// The service reads the settings as the screen saver on the logon desktop
// does: a profile of its own when the file or the Logon policy key asks for
// one. A new value is logged, so that an administrator sees a policy arrive,
// and so is a value ignored because users may have written it.
void ReadSettings()
{
    LoadServiceSettings(true, &g_read);
    const int32_t ignored = g_read.nobodySignedInSource == kFromOpenFile ? g_read.nobodySignedInMinutesRead : 0;
    if (ignored != g_ignored && ignored > 0)
        ServiceLog(kLogWarning,
                   L"shutdown_when_nobody_signed_in=%ld in the settings file is ignored: users other than "
                   L"administrators may change the file.",
                   static_cast<long>(ignored));
    g_ignored = ignored;
    const int32_t configured = g_read.record.shutdown_when_nobody_signed_in;
    if (configured == g_configured)
        return;
    g_configured = configured;
    if (configured > 0)
        ServiceLog(kLogInformation, L"The computer is shut down when nobody has been signed in for %ld %ls.",
                   static_cast<long>(configured), configured == 1 ? L"minute" : L"minutes");
    else
        ServiceLog(kLogInformation, L"The computer is no longer shut down when nobody is signed in.");
}

// The hours, then the programs, then anyone signed in at all: someone at the
// console, through remote desktop, or disconnected but still signed in, whose
// work could be lost. The sessions come last, right before the call.
void LookOnce()
{
    ReadSettings();
    const int32_t configured = g_read.record.shutdown_when_nobody_signed_in;
    // Off: nothing is looked at, and the count starts when it is turned on.
    SessionsSeen seen = kSessionsUnknown;
    bool held = false;
    if (configured > 0) {
        static HoldRules rules;  // large for the stack; one thread
        HoldRulesFor(g_read.record, Shutdown, &rules);
        // Not the saver's hold for other users: this shutdown waits for
        // anyone signed in at all, whatever hold_for_other_users says.
        rules.usersHold = true;
        rules.countDisconnected = true;
        HoldVerdict verdict;
        LookAtHolds(rules, nullptr, 0, &verdict);
        held = verdict.kind == kHeldByHours || verdict.kind == kHeldByProgram;
        seen = verdict.kind == kNotHeld           ? kNobodySignedIn
               : verdict.kind == kHeldByOtherUser ? kSomeoneSignedIn
                                                  : kSessionsUnknown;
    }
    if (!NobodySignedInMinute(&g_state, configured, seen, held))
        return;
    ServiceLog(kLogWarning, L"Nobody has been signed in for %ld %ls: the computer is shut down.",
               static_cast<long>(g_state.minutes), g_state.minutes == 1 ? L"minute" : L"minutes");
    const MailboxMessage shutdown = {kMailboxShutdown, true, 0};
    CarryOutAction(shutdown);
}

}  // namespace

void WatchForNobodySignedIn()
{
    const DWORD now = GetTickCount();
    if (!g_watching) {
        g_watching = true;
        g_lastLook = now;
        ReadSettings();
        return;
    }
    // Unsigned difference: right across the tick count's wrap after 49.7 days.
    if (now - g_lastLook < kLookPeriodMs)
        return;
    g_lastLook += kLookPeriodMs;
    // A loop held up for longer (a wait for a task) looks once, not once per missed minute.
    if (now - g_lastLook >= kLookPeriodMs)
        g_lastLook = now;
    LookOnce();
}

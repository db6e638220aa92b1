#include "relay_holds.h"

#include "action_holds.h"
#include "service_settings.h"

namespace {

ShutdownType ActionOf(MailboxVerb verb)
{
    switch (verb) {
    case kMailboxShutdown:
        return Shutdown;
    case kMailboxReboot:
        return Restart;
    case kMailboxHibernate:
        return Hibernation;
    case kMailboxStandby:
        return Standby;
    default:
        return NoAction;
    }
}

}  // namespace

void WeighRelayHolds(MailboxVerb verb, const SaverPresence& savers, HoldVerdict* verdict, HoldRules* rules)
{
    verdict->kind = kNotHeld;
    const bool accounts[] = {true, false};
    const bool present[] = {savers.serviceAccount, savers.otherAccount};
    static ServiceSettings settings;  // large for the stack; one thread
    for (int i = 0; i < 2 && verdict->kind == kNotHeld; ++i) {
        if (!present[i])
            continue;
        LoadServiceSettings(accounts[i], &settings);
        HoldRulesFor(settings.record, ActionOf(verb), rules);
        LookAtHolds(*rules, savers.sessions, savers.count, verdict);
    }
}

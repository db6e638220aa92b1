#include "nobody_signed_in.h"

bool NobodySignedInMinute(NobodySignedInState* state, int32_t configuredMinutes, SessionsSeen seen, bool held)
{
    if (seen == kSomeoneSignedIn) {
        *state = NobodySignedInState();
        return false;
    }
    if (seen != kNobodySignedIn || configuredMinutes <= 0 || held) {
        state->minutes = 0;
        return false;
    }
    if (state->attempted)
        return false;
    if (state->minutes < configuredMinutes)
        ++state->minutes;
    if (state->minutes < configuredMinutes)
        return false;
    state->attempted = true;
    return true;
}

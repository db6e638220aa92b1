// Stand-in until the power actions land: the acting tick calls this one place.
#include "power_down.h"

int PowerDown(ShutdownType, bool)
{
    return 0;
}

#include "saver_presence.h"

#include "running_programs.h"

bool SaverIsRunning(unsigned long* error)
{
    const wchar_t* const names[] = {kSaverFileName};
    return FirstRunningProgram(names, 1, error) == 0;
}

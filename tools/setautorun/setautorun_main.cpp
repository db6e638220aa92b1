// setautorun filepath timeout: runs "filepath" timeout at every user's logon.
#include "autorun_command.h"

int wmain(int argc, wchar_t** argv)
{
    return RegisterAutorun(argc, argv);
}

// svcctl [start|stop]: starts or stops the companion service DusklatchService.
#include "service_control.h"

int wmain(int argc, wchar_t** argv)
{
    return RunServiceCommand(argc, argv, RealServiceControlApi());
}

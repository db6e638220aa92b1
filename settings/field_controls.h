// The configuration dialog's controls that show the settings fields. The
// fields' table names them and the dialog's resource script places them, so
// they are defined once, here. The resource compiler reads this file too:
// it holds #defines only.
#pragma once

#define IDC_SHUTDOWN_TYPE 1001
#define IDC_FORCE 1002
#define IDC_COUNTDOWN 1004
#define IDC_PERFORM_TASK 1006
#define IDC_TASK_JOB 1007
#define IDC_EBLRIS 1008

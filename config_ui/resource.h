// Resource identifiers of Dusklatch.scr.
#pragma once

#define IDS_DESCRIPTION 1
#define IDD_CONFIGURE 2003
#define IDR_LOGO 113

#define IDC_SHUTDOWN_TYPE 1001
#define IDC_FORCE 1002
#define IDC_COUNTDOWN 1004
#define IDC_LOGO 1005
#define IDC_PERFORM_TASK 1006
#define IDC_TASK_JOB 1007
#define IDC_EBLRIS 1008

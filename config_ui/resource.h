// Resource identifiers of Dusklatch.scr.
#pragma once

#include "field_controls.h"

#define IDS_DESCRIPTION 1
#define IDD_CONFIGURE 2003
#define IDR_LOGO 113

#define IDC_LOGO 1005

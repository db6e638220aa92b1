// The dialog's logo as a screen bitmap.
#pragma once

#include <windows.h>

#include "mbm_image.h"

// A bitmap compatible with the screen showing the image, its transparent parts
// laid over `background`; NULL for an empty image or on failure. The caller
// owns the bitmap.
HBITMAP CreateLogoBitmap(const MbmImage& image, COLORREF background);

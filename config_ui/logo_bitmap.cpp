#include "logo_bitmap.h"

#include "scoped_handles.h"

#include <stdlib.h>

HBITMAP CreateLogoBitmap(const MbmImage& image, COLORREF background)
{
    size_t dibSize = 0;
    unsigned char* dib = MbmImageToPackedDib(image, background, &dibSize);
    if (!dib)
        return NULL;
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);

    DWORD colours = header->biClrUsed;
    if (colours == 0) {
        if (header->biBitCount == 1)
            colours = 2;
        else if (header->biBitCount == 4)
            colours = 16;
        else if (header->biBitCount == 8)
            colours = 256;
    }
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib + header->biSize);

    // On a palette display the table's colours must be realised in the screen's
    // palette before the bitmap is made, or they map to the nearest system colours.
    HPALETTE palette = NULL;
    if (colours) {
        size_t bytes = sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY);
        LOGPALETTE* logical = static_cast<LOGPALETTE*>(calloc(bytes, 1));
        if (logical) {
            logical->palVersion = 0x300;
            logical->palNumEntries = static_cast<WORD>(colours);
            for (DWORD i = 0; i < colours; ++i) {
                logical->palPalEntry[i].peRed = table[i].rgbRed;
                logical->palPalEntry[i].peGreen = table[i].rgbGreen;
                logical->palPalEntry[i].peBlue = table[i].rgbBlue;
                logical->palPalEntry[i].peFlags = 0;
            }
            palette = CreatePalette(logical);
            free(logical);
        }
    }

    HBITMAP bitmap = NULL;
    {
        ScopedScreenDC screen;
        HPALETTE previous = NULL;
        if (palette) {
            previous = SelectPalette(screen.Get(), palette, FALSE);
            RealizePalette(screen.Get());
        }
        const BYTE* rows = reinterpret_cast<const BYTE*>(table) + colours * sizeof(RGBQUAD);
        bitmap = CreateDIBitmap(screen.Get(), header, CBM_INIT, rows,
                                reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
        if (previous)
            SelectPalette(screen.Get(), previous, FALSE);
    }
    free(dib);
    if (palette)
        DeleteObject(palette);
    return bitmap;
}

// The logo's own bitmap format: decoding into an MbmImage, greying, and turning
// it into a packed device-independent bitmap. Plain C++ without <windows.h>, so
// that the decoder also builds and is fuzzed on a non-Windows host.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Same layout as COLORREF: 0x00BBGGRR.
typedef uint32_t MbmColor;

inline uint8_t MbmRed(MbmColor color) { return static_cast<uint8_t>(color & 0xFF); }
inline uint8_t MbmGreen(MbmColor color) { return static_cast<uint8_t>((color >> 8) & 0xFF); }
inline uint8_t MbmBlue(MbmColor color) { return static_cast<uint8_t>((color >> 16) & 0xFF); }

// Status codes of DecodeMbmImage.
enum {
    kMbmNoData = -1,        // no bytes at all; the image is left as it was
    kMbmDecoded = 0,
    kMbmBadSignature = 1,   // not "MB"; the image is left as it was
    kMbmNegativeSize = 2,
    kMbmBadKind = 3,
    kMbmBadMethod = 4,
    kMbmNoMemory = 5,       // an allocation failed, or a buffer would pass kMbmMaxBufferBytes
    kMbmBadBody = 6,        // more pixels than the image has, a bad entry count, or too few bytes
};

// No buffer of a decoded image (nor the spread encoding's free-pixel index) may
// be larger than this: hostile dimensions are refused before anything is
// allocated, and all size arithmetic stays far from overflow on 32-bit hosts.
const uint32_t kMbmMaxBufferBytes = 1u << 28;

// A decoded image. Rows from the top without padding: 1 bit per pixel as
// ceil(width / 8) bytes a row (most significant bit first), 8 bits as one byte
// (table index or grey level), 24 bits as R, G, B and 32 bits as T, R, G, B,
// where T is the transparency (0 opaque, 255 fully transparent). Colour table
// entries are T, R, G, B too: 2 entries for 1 bit, always 256 for 8 bits.
class MbmImage {
public:
    MbmImage();
    ~MbmImage();
    MbmImage(const MbmImage&) = delete;
    MbmImage& operator=(const MbmImage&) = delete;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t BitsPerPixel() const { return bitsPerPixel_; }
    bool Empty() const { return bitsPerPixel_ == 0; }

    // Null when the image has no table (kinds 1, 3, 4 and 5) or is empty.
    const uint8_t* ColourTable() const { return colourTable_; }
    uint8_t* ColourTable() { return colourTable_; }
    uint32_t ColourTableBytes() const { return colourTableBytes_; }
    const uint8_t* Pixels() const { return pixels_; }
    uint8_t* Pixels() { return pixels_; }
    uint32_t PixelBytes() const { return pixelBytes_; }
    uint32_t RowBytes() const;

    // Frees both buffers and zeroes the numbers.
    void Clear();
    // Takes the dimensions and depth and allocates zeroed buffers; a status code.
    int Allocate(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t colourTableBytes);

private:
    int32_t width_;
    int32_t height_;
    int32_t bitsPerPixel_;
    uint8_t* colourTable_;
    uint32_t colourTableBytes_;
    uint8_t* pixels_;
    uint32_t pixelBytes_;
};

// Decodes a resource of `length` bytes into `image`, never reading past its
// end. Returns one of the status codes above; on any status from 2 on the
// image is empty.
int DecodeMbmImage(MbmImage& image, const unsigned char* bytes, size_t length);
// The same, also telling how many bytes the decode consumed (header included).
int DecodeMbmImageMeasured(MbmImage& image, const unsigned char* bytes, size_t length,
                           size_t* bytesUsed);

// Turns the colour table (with one) or the pixels (24 and 32 bits) grey in place.
void GreyMbmImage(MbmImage& image);

// Builds BITMAPINFOHEADER, colour table and bottom-up rows padded to 4 bytes
// in one malloc'd buffer that the caller releases with free(); transparency is
// blended into `background`. Null for an empty image or when out of memory.
unsigned char* MbmImageToPackedDib(const MbmImage& image, MbmColor background, size_t* size);

// Offsets within the packed DIB, for its users.
const size_t kMbmDibHeaderBytes = 40;
uint32_t MbmDibColourCount(int32_t bitsPerPixel);
uint32_t MbmDibRowBytes(int32_t width, int32_t bitsPerPixel);

void FreeMbmImage(MbmImage& image);

// libFuzzer target for the logo decoder: every input is decoded, and a decoded
// image is greyed and turned into a packed DIB. Besides the sanitizers' own
// findings, a broken promise of the decoder aborts.
#include "mbm_image.h"

#include <stdlib.h>

namespace {

volatile unsigned g_dibChecksum;

void Require(bool condition)
{
    if (!condition)
        abort();
}

uint64_t ExpectedPixelBytes(const MbmImage& image)
{
    uint64_t width = static_cast<uint32_t>(image.Width());
    uint64_t height = static_cast<uint32_t>(image.Height());
    if (image.BitsPerPixel() == 1)
        return (width + 7) / 8 * height;
    return width * height * static_cast<uint32_t>(image.BitsPerPixel() / 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MbmImage image;
    size_t used = 0;
    int status = DecodeMbmImageMeasured(image, data, size, &used);
    Require(status >= kMbmNoData && status <= kMbmBadBody);
    Require(used <= size);
    if (status != kMbmDecoded) {
        Require(image.Empty() && !image.Pixels() && !image.ColourTable());
        return 0;
    }
    Require(image.Pixels() != nullptr);
    Require(image.PixelBytes() == ExpectedPixelBytes(image));
    Require(image.PixelBytes() <= kMbmMaxBufferBytes);

    GreyMbmImage(image);
    size_t dibSize = 0;
    unsigned char* dib = MbmImageToPackedDib(image, 0x00C8D0D4, &dibSize);
    if (dib) {
        uint64_t expected = kMbmDibHeaderBytes + MbmDibColourCount(image.BitsPerPixel()) * 4ull +
                            static_cast<uint64_t>(MbmDibRowBytes(image.Width(), image.BitsPerPixel())) *
                                static_cast<uint32_t>(image.Height());
        Require(dibSize == expected);
        // Reading every byte lets the address sanitizer vouch for the size.
        unsigned sum = 0;
        for (size_t i = 0; i < dibSize; ++i)
            sum += dib[i];
        g_dibChecksum = sum;
        free(dib);
    }
    FreeMbmImage(image);
    Require(image.Empty());
    return 0;
}

#include "mbm_test_support.h"

Bytes MbmHeader(int32_t width, int32_t height, int kind, int method)
{
    Bytes bytes = {'M', 'B'};
    for (int32_t value : {width, height})
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
    bytes.push_back(static_cast<uint8_t>(kind));
    bytes.push_back(static_cast<uint8_t>(method));
    return bytes;
}

Bytes Concat(const Bytes& a, std::initializer_list<uint8_t> tail)
{
    Bytes result = a;
    result.insert(result.end(), tail.begin(), tail.end());
    return result;
}

Bytes Concat(const Bytes& a, const Bytes& b)
{
    Bytes result = a;
    result.insert(result.end(), b.begin(), b.end());
    return result;
}

Bytes Repeat(uint8_t value, size_t count)
{
    return Bytes(count, value);
}

int Decode(MbmImage& image, const Bytes& bytes, size_t* used)
{
    size_t ignored;
    return DecodeMbmImageMeasured(image, bytes.data(), bytes.size(), used ? used : &ignored);
}

Bytes PixelsOf(const MbmImage& image)
{
    if (!image.Pixels())
        return Bytes();
    return Bytes(image.Pixels(), image.Pixels() + image.PixelBytes());
}

Bytes TableOf(const MbmImage& image)
{
    if (!image.ColourTable())
        return Bytes();
    return Bytes(image.ColourTable(), image.ColourTable() + image.ColourTableBytes());
}

bool IsEmpty(const MbmImage& image)
{
    return image.Width() == 0 && image.Height() == 0 && image.BitsPerPixel() == 0 && !image.Pixels() &&
           !image.ColourTable();
}

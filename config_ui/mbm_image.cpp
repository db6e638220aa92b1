#include "mbm_image.h"

#include <stdlib.h>
#include <string.h>

// The decoder trusts nothing in the resource: every read is checked against the
// length it was handed, every run against the pixels left, and every buffer size
// is computed in 64 bits and capped before it is allocated.

MbmImage::MbmImage()
    : width_(0), height_(0), bitsPerPixel_(0), colourTable_(nullptr), colourTableBytes_(0),
      pixels_(nullptr), pixelBytes_(0)
{
}

MbmImage::~MbmImage()
{
    Clear();
}

void MbmImage::Clear()
{
    free(colourTable_);
    free(pixels_);
    colourTable_ = nullptr;
    pixels_ = nullptr;
    colourTableBytes_ = 0;
    pixelBytes_ = 0;
    width_ = 0;
    height_ = 0;
    bitsPerPixel_ = 0;
}

static uint64_t PixelBufferBytes(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    uint64_t w = static_cast<uint32_t>(width);
    uint64_t h = static_cast<uint32_t>(height);
    if (bitsPerPixel == 1)
        return ((w + 7) / 8) * h;
    return w * h * static_cast<uint32_t>(bitsPerPixel / 8);
}

uint32_t MbmImage::RowBytes() const
{
    return static_cast<uint32_t>(PixelBufferBytes(width_, 1, bitsPerPixel_));
}

int MbmImage::Allocate(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t colourTableBytes)
{
    Clear();
    if (width < 0 || height < 0)
        return kMbmNegativeSize;
    uint64_t pixelBytes = PixelBufferBytes(width, height, bitsPerPixel);
    if (pixelBytes > kMbmMaxBufferBytes || colourTableBytes > kMbmMaxBufferBytes)
        return kMbmNoMemory;
    if (colourTableBytes) {
        colourTable_ = static_cast<uint8_t*>(calloc(colourTableBytes, 1));
        if (!colourTable_)
            return kMbmNoMemory;
        colourTableBytes_ = colourTableBytes;
    }
    // A zero-pixel image still gets a buffer, so that "decoded" always means
    // "has pixels" to the code that draws it.
    pixels_ = static_cast<uint8_t*>(calloc(pixelBytes ? static_cast<size_t>(pixelBytes) : 1, 1));
    if (!pixels_) {
        Clear();
        return kMbmNoMemory;
    }
    pixelBytes_ = static_cast<uint32_t>(pixelBytes);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    return kMbmDecoded;
}

void FreeMbmImage(MbmImage& image)
{
    image.Clear();
}

namespace {

const size_t kHeaderBytes = 12;
const size_t kFullTableBytes = 1024;

class ByteReader {
public:
    ByteReader(const unsigned char* bytes, size_t length, size_t position)
        : bytes_(bytes), length_(length), position_(position) {}

    size_t Position() const { return position_; }

    bool Take(size_t count, const unsigned char** start)
    {
        if (length_ - position_ < count)
            return false;
        *start = bytes_ + position_;
        position_ += count;
        return true;
    }

    bool Byte(uint32_t* value)
    {
        if (position_ >= length_)
            return false;
        *value = bytes_[position_++];
        return true;
    }

    bool Word(uint32_t* value)
    {
        const unsigned char* start;
        if (!Take(2, &start))
            return false;
        *value = start[0] | (static_cast<uint32_t>(start[1]) << 8);
        return true;
    }

private:
    const unsigned char* bytes_;
    size_t length_;
    size_t position_;
};

int32_t ReadInt32(const unsigned char* bytes)
{
    uint32_t value = bytes[0] | (static_cast<uint32_t>(bytes[1]) << 8) |
                     (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return static_cast<int32_t>(value);
}

// Pixels are filled in order; each run is checked against those left first.
class PixelSink {
public:
    PixelSink(uint8_t* pixels, uint32_t count, uint32_t pixelSize)
        : pixels_(pixels), count_(count), pixelSize_(pixelSize), filled_(0) {}

    bool Full() const { return filled_ >= count_; }

    bool Fill(const unsigned char* value, uint32_t run)
    {
        if (run > count_ - filled_)
            return false;
        uint8_t* out = pixels_ + static_cast<size_t>(filled_) * pixelSize_;
        // Fixed-size copies let the compiler use plain stores in the loops.
        if (pixelSize_ == 1) {
            memset(out, value[0], run);
        } else if (pixelSize_ == 3) {
            for (uint32_t i = 0; i < run; ++i, out += 3)
                memcpy(out, value, 3);
        } else {
            for (uint32_t i = 0; i < run; ++i, out += 4)
                memcpy(out, value, 4);
        }
        filled_ += run;
        return true;
    }

private:
    uint8_t* pixels_;
    uint32_t count_;
    uint32_t pixelSize_;
    uint32_t filled_;
};

int DecodeOneBit(MbmImage& image, ByteReader& reader, int method, uint32_t pixelCount)
{
    if (method == 0) {
        const unsigned char* rows;
        if (!reader.Take(image.PixelBytes(), &rows))
            return kMbmBadBody;
        memcpy(image.Pixels(), rows, image.PixelBytes());
        return kMbmDecoded;
    }
    // Runs count pixels, never the unused bits at a row's end; the buffer
    // starts zeroed, so runs of 0 only advance.
    uint32_t width = static_cast<uint32_t>(image.Width());
    uint32_t rowBytes = image.RowBytes();
    uint8_t* pixels = image.Pixels();
    uint32_t next = 0;
    while (next < pixelCount) {
        uint32_t code;
        if (!reader.Byte(&code))
            return kMbmBadBody;
        uint32_t run = (code >> 1) + 1;
        if (run > pixelCount - next)
            return kMbmBadBody;
        if (code & 1) {
            for (uint32_t n = next; n < next + run; ++n) {
                uint32_t row = n / width;
                uint32_t column = n % width;
                pixels[static_cast<size_t>(row) * rowBytes + column / 8] |=
                    static_cast<uint8_t>(0x80u >> (column % 8));
            }
        }
        next += run;
    }
    return kMbmDecoded;
}

int DecodeEightBitStream(ByteReader& reader, int method, PixelSink& sink)
{
    while (!sink.Full()) {
        uint32_t code;
        if (!reader.Byte(&code))
            return kMbmBadBody;
        uint32_t run = 1;
        unsigned char value = static_cast<unsigned char>(code);
        uint32_t count;
        uint32_t runValue;
        switch (method) {
        case 1:
            if (!reader.Byte(&runValue))
                return kMbmBadBody;
            run = code + 1;
            value = static_cast<unsigned char>(runValue);
            break;
        case 2:
            if (code == 255) {
                if (!reader.Byte(&count) || !reader.Byte(&runValue))
                    return kMbmBadBody;
                run = count + 4;
                value = static_cast<unsigned char>(runValue);
            }
            break;
        case 3:
            if (code >= 128) {
                if (!reader.Byte(&runValue))
                    return kMbmBadBody;
                run = code - 125;
                value = static_cast<unsigned char>(runValue);
            }
            break;
        default:  // 4
            if (code == 255) {
                if (!reader.Byte(&count) || !reader.Byte(&runValue))
                    return kMbmBadBody;
                run = count + 4;
                value = static_cast<unsigned char>(runValue);
            } else if (code == 254) {
                if (!reader.Word(&count) || !reader.Byte(&runValue))
                    return kMbmBadBody;
                run = count + 260;
                value = static_cast<unsigned char>(runValue);
            }
            break;
        }
        if (!sink.Fill(&value, run))
            return kMbmBadBody;
    }
    return kMbmDecoded;
}

int DecodeEightBit(MbmImage& image, ByteReader& reader, int kind, int method, uint32_t pixelCount)
{
    if (method == 0) {
        // Kind 3 has no table, yet its pixels also begin 1024 bytes into the body.
        const unsigned char* table;
        const unsigned char* pixels;
        if (!reader.Take(kFullTableBytes, &table) || !reader.Take(pixelCount, &pixels))
            return kMbmBadBody;
        if (kind == 2)
            memcpy(image.ColourTable(), table, kFullTableBytes);
        memcpy(image.Pixels(), pixels, pixelCount);
        return kMbmDecoded;
    }
    if (kind == 2) {
        uint32_t entries;
        const unsigned char* table;
        if (!reader.Word(&entries) || entries == 0 || entries > 256 || !reader.Take(entries * 4, &table))
            return kMbmBadBody;
        memcpy(image.ColourTable(), table, entries * 4);
    }
    PixelSink sink(image.Pixels(), pixelCount, 1);
    return DecodeEightBitStream(reader, method, sink);
}

// Records "n, colour": n + 1 pixels of that colour (24 and 32 bits, method 1).
int DecodeColourRuns(MbmImage& image, ByteReader& reader, uint32_t pixelSize, uint32_t pixelCount)
{
    PixelSink sink(image.Pixels(), pixelCount, pixelSize);
    while (!sink.Full()) {
        const unsigned char* record;
        if (!reader.Take(1 + pixelSize, &record))
            return kMbmBadBody;
        if (!sink.Fill(record + 1, record[0] + 1u))
            return kMbmBadBody;
    }
    return kMbmDecoded;
}

int DecodeGroups(MbmImage& image, ByteReader& reader, uint32_t pixelCount)
{
    PixelSink sink(image.Pixels(), pixelCount, 4);
    while (!sink.Full()) {
        const unsigned char* group;
        if (!reader.Take(4, &group))
            return kMbmBadBody;
        if (group[0] < 255 || group[1] == 0) {
            if (!sink.Fill(group, 1))
                return kMbmBadBody;
        } else if (group[1] == 1) {
            const unsigned char* value;
            if (!reader.Take(4, &value))
                return kMbmBadBody;
            if (!sink.Fill(value, 256u * (group[3] + 1u) + group[2]))
                return kMbmBadBody;
        } else {
            const unsigned char* tail;
            if (!reader.Take(2, &tail))
                return kMbmBadBody;
            unsigned char value[4] = {group[2], group[3], tail[0], tail[1]};
            if (!sink.Fill(value, group[1]))
                return kMbmBadBody;
        }
    }
    return kMbmDecoded;
}

// Finds the first pixel not yet placed at or after a position in near-constant
// amortised time: each placed pixel holds a forward distance towards a later
// candidate, and every search halves the paths it walks. A zeroed array means
// "nothing placed", so a calloc'd index costs nothing until it is used.
class FreePixelIndex {
public:
    explicit FreePixelIndex(uint32_t count)
        : jump_(static_cast<uint32_t*>(calloc(count ? count : 1, sizeof(uint32_t)))), count_(count) {}
    ~FreePixelIndex() { free(jump_); }
    FreePixelIndex(const FreePixelIndex&) = delete;
    FreePixelIndex& operator=(const FreePixelIndex&) = delete;

    bool Valid() const { return jump_ != nullptr; }

    // Returns count_ when every pixel from `position` on is placed.
    uint32_t FirstFreeFrom(uint32_t position)
    {
        while (position < count_ && jump_[position] != 0) {
            uint32_t next = position + jump_[position];
            if (next < count_ && jump_[next] != 0)
                jump_[position] += jump_[next];
            position += jump_[position];
        }
        return position;
    }

    void Place(uint32_t position) { jump_[position] = 1; }

private:
    uint32_t* jump_;
    uint32_t count_;
};

template <uint32_t colourSize>
int DecodeSpread(MbmImage& image, ByteReader& reader, uint32_t pixelCount)
{
    FreePixelIndex index(pixelCount);
    if (!index.Valid())
        return kMbmNoMemory;
    uint8_t* pixels = image.Pixels();
    auto place = [&](uint32_t position, const unsigned char* colour) {
        memcpy(pixels + static_cast<size_t>(position) * colourSize, colour, colourSize);
        index.Place(position);
    };

    uint32_t cursor = 0;
    for (;;) {
        cursor = index.FirstFreeFrom(cursor);
        if (cursor >= pixelCount)
            return kMbmDecoded;
        uint32_t code;
        if (!reader.Byte(&code))
            return kMbmBadBody;

        if (code != 0) {
            // Literal block: each colour takes the next free pixel; a block that
            // would run past the last pixel ends there.
            for (uint32_t i = 0; i < code; ++i) {
                uint32_t target = index.FirstFreeFrom(cursor);
                if (target >= pixelCount)
                    break;
                const unsigned char* colour;
                if (!reader.Take(colourSize, &colour))
                    return kMbmBadBody;
                place(target, colour);
                cursor = target + 1;
            }
            continue;
        }

        // Spread record: one colour at the cursor, then steps over free pixels.
        // Once a step runs past the last pixel nothing more is placed, but the
        // steps are still read to their terminating 0 so that the stream stays
        // in step with the record boundaries.
        const unsigned char* colour;
        if (!reader.Take(colourSize, &colour))
            return kMbmBadBody;
        place(cursor, colour);
        uint32_t at = cursor;
        bool exhausted = false;
        for (;;) {
            uint32_t step;
            if (!reader.Byte(&step))
                return kMbmBadBody;
            if (step == 0)
                break;
            if (step == 255) {
                uint32_t high;
                uint32_t count;
                if (!reader.Byte(&high))
                    return kMbmBadBody;
                if (high < 128) {
                    count = high + 2;
                } else {
                    uint32_t low;
                    if (!reader.Byte(&low))
                        return kMbmBadBody;
                    count = 130 + (high - 128) * 256 + low;
                }
                for (uint32_t i = 0; i < count && !exhausted; ++i) {
                    uint32_t next = index.FirstFreeFrom(at + 1);
                    if (next >= pixelCount)
                        exhausted = true;
                    else
                        place(at = next, colour);
                }
            } else {
                for (uint32_t i = 0; i < step && !exhausted; ++i) {
                    at = index.FirstFreeFrom(at + 1);
                    exhausted = at >= pixelCount;
                }
                if (!exhausted)
                    place(at, colour);
            }
        }
        cursor += 1;
    }
}

bool MethodAllowed(int kind, int method)
{
    static const int kHighestMethod[] = {1, 1, 4, 1, 2, 3};
    return method <= kHighestMethod[kind];
}

}  // namespace

int DecodeMbmImageMeasured(MbmImage& image, const unsigned char* bytes, size_t length,
                           size_t* bytesUsed)
{
    if (bytesUsed)
        *bytesUsed = 0;
    if (!bytes || length == 0)
        return kMbmNoData;
    if (length < 2 || bytes[0] != 0x4D || bytes[1] != 0x42)
        return kMbmBadSignature;
    image.Clear();
    // A header cut short is a body that ends too soon.
    if (length < kHeaderBytes)
        return kMbmBadBody;

    int32_t width = ReadInt32(bytes + 2);
    int32_t height = ReadInt32(bytes + 6);
    int kind = bytes[10];
    int method = bytes[11];
    if (width < 0 || height < 0)
        return kMbmNegativeSize;
    static const int32_t kBitsPerPixel[] = {1, 1, 8, 8, 24, 32};
    if (kind > 5)
        return kMbmBadKind;
    if (!MethodAllowed(kind, method))
        return kMbmBadMethod;

    int32_t bitsPerPixel = kBitsPerPixel[kind];
    uint32_t tableBytes = kind == 0 ? 8 : kind == 2 ? kFullTableBytes : 0;
    uint64_t pixelCount64 = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    bool spread = (kind == 4 && method == 2) || (kind == 5 && method == 3);
    // The spread encoding's index takes 4 bytes a pixel beside the pixels.
    if (spread && pixelCount64 * 4 > kMbmMaxBufferBytes)
        return kMbmNoMemory;
    int status = image.Allocate(width, height, bitsPerPixel, tableBytes);
    if (status != kMbmDecoded)
        return status;
    uint32_t pixelCount = static_cast<uint32_t>(pixelCount64);

    ByteReader reader(bytes, length, kHeaderBytes);
    switch (kind) {
    case 0:
    case 1:
        if (kind == 0) {
            const unsigned char* table;
            if (!reader.Take(8, &table)) {
                status = kMbmBadBody;
                break;
            }
            memcpy(image.ColourTable(), table, 8);
        }
        status = DecodeOneBit(image, reader, method, pixelCount);
        break;
    case 2:
    case 3:
        status = DecodeEightBit(image, reader, kind, method, pixelCount);
        break;
    default: {
        uint32_t pixelSize = kind == 4 ? 3 : 4;
        if (method == 0) {
            const unsigned char* pixels;
            if (reader.Take(image.PixelBytes(), &pixels))
                memcpy(image.Pixels(), pixels, image.PixelBytes());
            else
                status = kMbmBadBody;
        } else if (method == 1) {
            status = DecodeColourRuns(image, reader, pixelSize, pixelCount);
        } else if (spread) {
            status = kind == 4 ? DecodeSpread<3>(image, reader, pixelCount)
                               : DecodeSpread<4>(image, reader, pixelCount);
        } else {
            status = DecodeGroups(image, reader, pixelCount);
        }
        break;
    }
    }
    if (bytesUsed)
        *bytesUsed = reader.Position();
    if (status != kMbmDecoded)
        image.Clear();
    return status;
}

int DecodeMbmImage(MbmImage& image, const unsigned char* bytes, size_t length)
{
    return DecodeMbmImageMeasured(image, bytes, length, nullptr);
}

// Greying is done in double precision and truncated toward zero, in the order
// written: some equal-channel colours come out one lower (R = G = 3 gives 2),
// and the figures must be the same on every build. On 32-bit x86 each step
// passes through a volatile double so that the x87 unit's wider registers
// cannot change a result: a product of a double and an 8-bit value is exact in
// those registers, and for every channel value the sums were checked to round
// to the same double as SSE arithmetic gives.
static uint8_t GreyOfTableEntry(uint8_t red, uint8_t green)
{
    volatile double fromGreen = 0.7 * green;
    volatile double fromRed = 0.3 * red;
    volatile double grey = fromGreen + fromRed;
    return static_cast<uint8_t>(static_cast<int>(grey));
}

static uint8_t GreyOfPixel(uint8_t red, uint8_t green, uint8_t blue)
{
    volatile double fromGreen = 0.59 * green;
    volatile double fromBlue = 0.11 * blue;
    volatile double greenAndBlue = fromGreen + fromBlue;
    volatile double fromRed = 0.3 * red;
    volatile double grey = greenAndBlue + fromRed;
    return static_cast<uint8_t>(static_cast<int>(grey));
}

void GreyMbmImage(MbmImage& image)
{
    int32_t bits = image.BitsPerPixel();
    if (bits == 24 || bits == 32) {
        uint32_t pixelSize = static_cast<uint32_t>(bits / 8);
        uint32_t first = pixelSize - 3;  // skip T in T, R, G, B
        uint8_t* pixel = image.Pixels();
        for (uint32_t i = 0; i + pixelSize <= image.PixelBytes(); i += pixelSize) {
            uint8_t* rgb = pixel + i + first;
            uint8_t grey = GreyOfPixel(rgb[0], rgb[1], rgb[2]);
            rgb[0] = rgb[1] = rgb[2] = grey;
        }
        return;
    }
    uint8_t* table = image.ColourTable();
    if (!table)
        return;
    for (uint32_t i = 0; i + 4 <= image.ColourTableBytes(); i += 4) {
        uint8_t* entry = table + i;
        uint8_t grey = GreyOfTableEntry(entry[1], entry[2]);
        entry[1] = entry[2] = entry[3] = grey;
    }
}

uint32_t MbmDibColourCount(int32_t bitsPerPixel)
{
    return bitsPerPixel == 1 ? 2 : bitsPerPixel == 8 ? 256 : 0;
}

uint32_t MbmDibRowBytes(int32_t width, int32_t bitsPerPixel)
{
    uint64_t bits = static_cast<uint64_t>(static_cast<uint32_t>(width)) * static_cast<uint32_t>(bitsPerPixel);
    return static_cast<uint32_t>(((bits + 31) / 32) * 4);
}

static void Put32(unsigned char* out, uint32_t value)
{
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

// T, R, G, B with T > 0 is laid over the background; T becomes 0.
static void BlendOverBackground(unsigned char* trgb, MbmColor background)
{
    uint32_t transparency = trgb[0];
    if (transparency == 0)
        return;
    const uint32_t backgroundRgb[3] = {MbmRed(background), MbmGreen(background), MbmBlue(background)};
    for (int c = 0; c < 3; ++c)
        trgb[1 + c] = static_cast<unsigned char>(
            (backgroundRgb[c] * transparency + trgb[1 + c] * (255 - transparency)) / 255);
    trgb[0] = 0;
}

static void ReverseFour(unsigned char* bytes)
{
    unsigned char t = bytes[0];
    bytes[0] = bytes[3];
    bytes[3] = t;
    t = bytes[1];
    bytes[1] = bytes[2];
    bytes[2] = t;
}

unsigned char* MbmImageToPackedDib(const MbmImage& image, MbmColor background, size_t* size)
{
    if (size)
        *size = 0;
    int32_t bits = image.BitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24 && bits != 32)
        return nullptr;
    uint32_t colours = MbmDibColourCount(bits);
    uint32_t dibRowBytes = MbmDibRowBytes(image.Width(), bits);
    uint32_t imageRowBytes = image.RowBytes();
    uint32_t height = static_cast<uint32_t>(image.Height());
    uint64_t total = kMbmDibHeaderBytes + colours * 4ull + static_cast<uint64_t>(dibRowBytes) * height;
    // Row padding can make the DIB up to four times the image's buffer.
    if (total > 4ull * kMbmMaxBufferBytes + 2048 || total > SIZE_MAX)
        return nullptr;
    unsigned char* dib = static_cast<unsigned char*>(calloc(static_cast<size_t>(total), 1));
    if (!dib)
        return nullptr;

    Put32(dib, 40);
    Put32(dib + 4, static_cast<uint32_t>(image.Width()));
    Put32(dib + 8, height);
    dib[12] = 1;  // biPlanes
    dib[14] = static_cast<unsigned char>(bits);
    // biCompression BI_RGB and every other field stay 0.

    unsigned char* table = dib + kMbmDibHeaderBytes;
    const uint8_t bgR = MbmRed(background);
    const uint8_t bgG = MbmGreen(background);
    const uint8_t bgB = MbmBlue(background);
    if (colours && image.ColourTable()) {
        memcpy(table, image.ColourTable(), colours * 4);
        for (uint32_t i = 0; i < colours; ++i) {
            BlendOverBackground(table + i * 4, background);
            ReverseFour(table + i * 4);
        }
    } else if (colours == 2) {
        const unsigned char entries[8] = {static_cast<unsigned char>(255 - bgB), static_cast<unsigned char>(255 - bgG),
                                          static_cast<unsigned char>(255 - bgR), 0, bgB, bgG, bgR, 0};
        memcpy(table, entries, sizeof entries);
    } else if (colours == 256) {
        // A ramp from the background's inverse at 0 to the background at 255.
        const uint32_t rgbq[3] = {bgB, bgG, bgR};
        for (uint32_t i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c)
                table[i * 4 + c] = static_cast<unsigned char>(((255 - i) * (255 - rgbq[c]) + i * rgbq[c]) / 255);
    }

    // A zero-width image may claim any height: with nothing in its rows, the
    // rows are not walked at all.
    unsigned char* rows = table + colours * 4;
    for (uint32_t r = 0; imageRowBytes != 0 && r < height; ++r) {
        unsigned char* out = rows + static_cast<size_t>(height - 1 - r) * dibRowBytes;
        memcpy(out, image.Pixels() + static_cast<size_t>(r) * imageRowBytes, imageRowBytes);
        if (bits == 24) {
            for (uint32_t x = 0; x + 3 <= imageRowBytes; x += 3) {
                unsigned char t = out[x];
                out[x] = out[x + 2];
                out[x + 2] = t;
            }
        } else if (bits == 32) {
            for (uint32_t x = 0; x + 4 <= imageRowBytes; x += 4) {
                BlendOverBackground(out + x, background);
                ReverseFour(out + x);
            }
        }
    }
    if (size)
        *size = static_cast<size_t>(total);
    return dib;
}

// Greying arithmetic and the packed DIB: header, row order and padding,
// colour tables, blending over the background.
#include "mbm_test_support.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <memory>

namespace {

const MbmColor kBackground = 50 | (60 << 8) | (70 << 16);  // R 50, G 60, B 70

struct DibDeleter {
    void operator()(unsigned char* dib) const { free(dib); }
};
using Dib = std::unique_ptr<unsigned char, DibDeleter>;

uint32_t Read32(const unsigned char* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

Bytes Slice(const unsigned char* bytes, size_t offset, size_t count)
{
    return Bytes(bytes + offset, bytes + offset + count);
}

// Decodes a resource that must be valid.
void Load(MbmImage& image, const Bytes& resource)
{
    ASSERT_EQ(kMbmDecoded, Decode(image, resource));
}

// Kind 2, method 1 with the given table entries and one run of index 0.
Bytes IndexedWithTable(const Bytes& entries, int32_t width)
{
    uint32_t count = static_cast<uint32_t>(entries.size() / 4);
    Bytes bytes = Concat(MbmHeader(width, 1, 2, 1), {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8)});
    bytes = Concat(bytes, entries);
    return Concat(bytes, {static_cast<uint8_t>(width - 1), 0});
}

// FNV-1a, to compare 16 million greyed values with figures computed on an
// SSE2 host in plain double arithmetic.
uint32_t Fnv(uint32_t hash, uint8_t value)
{
    return (hash ^ value) * 16777619u;
}

}  // namespace

TEST(MbmGrey, TableEntriesUseGreenAndRedOnly)
{
    const struct {
        uint8_t entry[4];
        uint8_t grey;
    } kCases[] = {
        {{7, 3, 3, 3}, 2},        // 0.7 * 3 + 0.3 * 3 is just below 3 in doubles
        {{0, 6, 6, 6}, 5},
        {{0, 12, 12, 12}, 11},
        {{0, 255, 255, 255}, 255},
        {{0, 100, 0, 250}, 30},   // blue does not count
        {{255, 0, 100, 0}, 70},
        {{0, 0, 0, 255}, 0},
    };
    for (const auto& c : kCases) {
        MbmImage image;
        Load(image, IndexedWithTable(Bytes(c.entry, c.entry + 4), 1));
        GreyMbmImage(image);
        EXPECT_EQ((Bytes{c.entry[0], c.grey, c.grey, c.grey}), Slice(image.ColourTable(), 0, 4))
            << "entry " << int(c.entry[1]) << "," << int(c.entry[2]) << "," << int(c.entry[3]);
        EXPECT_EQ(Repeat(0, 1020), Slice(image.ColourTable(), 4, 1020)) << "zero entries stay black";
        EXPECT_EQ((Bytes{0}), PixelsOf(image)) << "indices do not change";
    }
}

TEST(MbmGrey, PixelsUseAllThreeChannelsAndKeepTransparency)
{
    MbmImage image;
    Load(image, Concat(MbmHeader(4, 1, 5, 0), {9, 3, 3, 3, 200, 23, 23, 23, 0, 100, 0, 250, 255, 10, 20, 30}));
    GreyMbmImage(image);
    EXPECT_EQ((Bytes{9, 3, 3, 3, 200, 22, 22, 22, 0, 57, 57, 57, 255, 18, 18, 18}), PixelsOf(image));

    Load(image, Concat(MbmHeader(2, 1, 4, 0), {23, 23, 23, 0, 100, 0}));
    GreyMbmImage(image);
    EXPECT_EQ((Bytes{22, 22, 22, 59, 59, 59}), PixelsOf(image));
}

TEST(MbmGrey, EveryChannelValueMatchesDoubleArithmetic)
{
    // Hashes of every (R, G, B) pixel grey and every (R, G) table grey, computed
    // on the host with SSE2 doubles: x87 extended precision must not show.
    MbmImage image;
    uint32_t pixelHash = 2166136261u;
    uint32_t tableHash = 2166136261u;
    for (int red = 0; red < 256; ++red) {
        ASSERT_EQ(kMbmDecoded, image.Allocate(256, 256, 24, 0));
        uint8_t* pixels = image.Pixels();
        for (int green = 0; green < 256; ++green)
            for (int blue = 0; blue < 256; ++blue) {
                uint8_t* pixel = pixels + (green * 256 + blue) * 3;
                pixel[0] = static_cast<uint8_t>(red);
                pixel[1] = static_cast<uint8_t>(green);
                pixel[2] = static_cast<uint8_t>(blue);
            }
        GreyMbmImage(image);
        for (int i = 0; i < 65536; ++i) {
            ASSERT_TRUE(pixels[i * 3] == pixels[i * 3 + 1] && pixels[i * 3] == pixels[i * 3 + 2]);
            pixelHash = Fnv(pixelHash, pixels[i * 3]);
        }

        ASSERT_EQ(kMbmDecoded, image.Allocate(1, 1, 8, 1024));
        uint8_t* table = image.ColourTable();
        for (int green = 0; green < 256; ++green) {
            table[green * 4 + 1] = static_cast<uint8_t>(red);
            table[green * 4 + 2] = static_cast<uint8_t>(green);
        }
        GreyMbmImage(image);
        for (int green = 0; green < 256; ++green)
            tableHash = Fnv(tableHash, table[green * 4 + 1]);
    }
    EXPECT_EQ(0x40afd890u, pixelHash);
    EXPECT_EQ(0x74c51aecu, tableHash);
}

TEST(MbmGrey, ImagesWithoutTableOrPixelsStayAsTheyAre)
{
    MbmImage image;
    Load(image, Concat(Concat(MbmHeader(2, 1, 3, 0), Repeat(0, 1024)), {17, 240}));
    GreyMbmImage(image);
    EXPECT_EQ((Bytes{17, 240}), PixelsOf(image));

    Load(image, Concat(MbmHeader(9, 1, 1, 0), {0xA5, 0x80}));
    GreyMbmImage(image);
    EXPECT_EQ((Bytes{0xA5, 0x80}), PixelsOf(image));

    Load(image, Concat(MbmHeader(1, 1, 0, 0), {1, 100, 0, 250, 0, 3, 3, 3, 0x80}));
    GreyMbmImage(image);
    EXPECT_EQ((Bytes{1, 30, 30, 30, 0, 2, 2, 2}), TableOf(image)) << "the 1-bit table greys its 2 entries";

    MbmImage empty;
    GreyMbmImage(empty);
    EXPECT_TRUE(IsEmpty(empty));
}

TEST(MbmDib, HeaderRowsBottomUpAndPadding)
{
    MbmImage image;
    Load(image, Concat(MbmHeader(5, 3, 4, 0), {
        1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3,
        4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6,
        7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9}));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    const unsigned char* d = dib.get();
    ASSERT_EQ(40u + 3 * 16, size);
    EXPECT_EQ(40u, Read32(d));
    EXPECT_EQ(5u, Read32(d + 4));
    EXPECT_EQ(3u, Read32(d + 8)) << "positive height: bottom-up rows";
    EXPECT_EQ((Bytes{1, 0, 24, 0}), Slice(d, 12, 4)) << "planes 1, 24 bits";
    EXPECT_EQ(Repeat(0, 24), Slice(d, 16, 24)) << "BI_RGB and every other field 0";
    // Top row last, R and B swapped, 15 bytes padded to 16 with a zero.
    EXPECT_EQ((Bytes{9, 8, 7, 9, 8, 7, 9, 8, 7, 9, 8, 7, 9, 8, 7, 0}), Slice(d, 40, 16));
    EXPECT_EQ((Bytes{6, 5, 4}), Slice(d, 56, 3));
    EXPECT_EQ((Bytes{3, 2, 1}), Slice(d, 72, 3));
}

TEST(MbmDib, OneBitNinePixelsWide)
{
    // 2 bytes a row in the resource, 4 in the DIB.
    MbmImage image;
    Bytes resource = Concat(MbmHeader(9, 2, 1, 0), {0xFF, 0x80, 0x12, 0x00});
    ASSERT_EQ(12u + 2 * 2, resource.size());
    Load(image, resource);
    EXPECT_EQ(2u, image.RowBytes());
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    ASSERT_EQ(40u + 2 * 4 + 2 * 4, size);
    EXPECT_EQ(1, dib.get()[14]);
    EXPECT_EQ((Bytes{185, 195, 205, 0, 70, 60, 50, 0}), Slice(dib.get(), 40, 8))
        << "without a table: the background's inverse, then the background";
    EXPECT_EQ((Bytes{0x12, 0x00, 0, 0, 0xFF, 0x80, 0, 0}), Slice(dib.get(), 48, 8));
}

TEST(MbmDib, TableEntriesBlendOverTheBackground)
{
    MbmImage image;
    Load(image, IndexedWithTable({0, 10, 20, 30, 255, 10, 20, 30, 128, 100, 150, 200, 1, 255, 255, 255}, 2));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    ASSERT_EQ(40u + 1024 + 4, size);
    const unsigned char* table = dib.get() + 40;
    EXPECT_EQ((Bytes{30, 20, 10, 0}), Slice(table, 0, 4)) << "T = 0 keeps its colour";
    EXPECT_EQ((Bytes{70, 60, 50, 0}), Slice(table, 4, 4)) << "T = 255 is the background exactly";
    EXPECT_EQ((Bytes{134, 104, 74, 0}), Slice(table, 8, 4)) << "(bg * T + c * (255 - T)) / 255";
    EXPECT_EQ((Bytes{254, 254, 254, 0}), Slice(table, 12, 4));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), Slice(dib.get() + 40 + 1024, 0, 4)) << "two index bytes padded to 4";
}

TEST(MbmDib, SixteenEntryTableLeavesTheRestBlack)
{
    Bytes entries;
    for (int i = 0; i < 16; ++i)
        entries.insert(entries.end(), {0, static_cast<uint8_t>(i * 16 + 1), 9, 9});
    MbmImage image;
    Load(image, IndexedWithTable(entries, 4));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    const unsigned char* table = dib.get() + 40;
    EXPECT_EQ((Bytes{9, 9, 241, 0}), Slice(table, 15 * 4, 4));
    EXPECT_EQ(Repeat(0, 240 * 4), Slice(table, 16 * 4, 240 * 4)) << "entries 16 to 255";
    EXPECT_EQ(40u + 1024 + 4, size);
}

TEST(MbmDib, GreyRampWithoutTable)
{
    MbmImage image;
    Load(image, Concat(Concat(MbmHeader(1, 1, 3, 0), Repeat(0, 1024)), {128}));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    const unsigned char* table = dib.get() + 40;
    EXPECT_EQ((Bytes{185, 195, 205, 0}), Slice(table, 0, 4)) << "index 0: the background's inverse";
    EXPECT_EQ((Bytes{127, 127, 127, 0}), Slice(table, 128 * 4, 4));
    EXPECT_EQ((Bytes{70, 60, 50, 0}), Slice(table, 255 * 4, 4)) << "index 255: the background";
    EXPECT_EQ((Bytes{128, 0, 0, 0}), Slice(table, 1024, 4));
}

TEST(MbmDib, ThirtyTwoBitPixelsBlendAndReverse)
{
    MbmImage image;
    Load(image, Concat(MbmHeader(3, 1, 5, 0), {0, 1, 2, 3, 255, 9, 9, 9, 128, 100, 150, 200}));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    ASSERT_EQ(40u + 12, size);
    EXPECT_EQ(32, dib.get()[14]);
    EXPECT_EQ((Bytes{3, 2, 1, 0, 70, 60, 50, 0, 134, 104, 74, 0}), Slice(dib.get(), 40, 12));
}

TEST(MbmDib, EmptyImageGivesNoDib)
{
    MbmImage image;
    size_t size = 123;
    EXPECT_EQ(nullptr, MbmImageToPackedDib(image, kBackground, &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(kMbmBadBody, Decode(image, MbmHeader(3, 3, 4, 0)));
    EXPECT_EQ(nullptr, MbmImageToPackedDib(image, kBackground, &size));
}

TEST(MbmDib, ZeroWidthWithHugeHeightHasOnlyHeaderAndTable)
{
    // Found by fuzzing: no pixel bytes at all, yet 469 million rows to walk.
    MbmImage image;
    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(0, 0x1C000000, 1, 0), {0x80})));
    size_t size = 0;
    Dib dib(MbmImageToPackedDib(image, kBackground, &size));
    ASSERT_TRUE(dib);
    EXPECT_EQ(40u + 8, size);
    EXPECT_EQ(0x1C000000u, Read32(dib.get() + 8));
}

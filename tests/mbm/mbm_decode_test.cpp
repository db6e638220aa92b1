// Decoding hand-made streams: status codes, what each method means byte by
// byte, the spread encoding's edge cases, and bodies that end too soon.
#include "mbm_encoder.h"
#include "mbm_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// A 2 x 1 grey image (kind 3, method 0), to see whether a failed decode left
// the image alone or emptied it.
void FillWithSample(MbmImage& image)
{
    Bytes sample = Concat(Concat(MbmHeader(2, 1, 3, 0), Repeat(0, 1024)), {5, 6});
    ASSERT_EQ(kMbmDecoded, Decode(image, sample));
}

}  // namespace

TEST(MbmStatus, EachCodeAndWhatItLeavesInTheImage)
{
    struct Case {
        const char* name;
        Bytes bytes;
        int status;
        bool imageKept;  // else emptied
    };
    const Case kCases[] = {
        {"one byte", {'M'}, kMbmBadSignature, true},
        {"wrong second byte", Concat(Bytes{'M', 'A'}, MbmHeader(1, 1, 3, 0)), kMbmBadSignature, true},
        {"swapped signature", {'B', 'M', 1, 0, 0, 0, 1, 0, 0, 0, 3, 0}, kMbmBadSignature, true},
        {"header cut after width", {'M', 'B', 1, 0, 0, 0}, kMbmBadBody, false},
        {"header cut before method", {'M', 'B', 1, 0, 0, 0, 1, 0, 0, 0, 3}, kMbmBadBody, false},
        {"negative width", MbmHeader(-1, 4, 3, 0), kMbmNegativeSize, false},
        {"negative height", MbmHeader(4, -2, 3, 0), kMbmNegativeSize, false},
        {"most negative width", MbmHeader(INT_MIN, 0, 2, 0), kMbmNegativeSize, false},
        {"negative size wins over bad kind", MbmHeader(-1, 1, 9, 9), kMbmNegativeSize, false},
        {"kind 6", MbmHeader(1, 1, 6, 0), kMbmBadKind, false},
        {"kind 255", MbmHeader(1, 1, 255, 0), kMbmBadKind, false},
        {"kind 0 method 2", MbmHeader(1, 1, 0, 2), kMbmBadMethod, false},
        {"kind 1 method 2", MbmHeader(1, 1, 1, 2), kMbmBadMethod, false},
        {"kind 2 method 5", MbmHeader(1, 1, 2, 5), kMbmBadMethod, false},
        {"kind 3 method 2", MbmHeader(1, 1, 3, 2), kMbmBadMethod, false},
        {"kind 4 method 3", MbmHeader(1, 1, 4, 3), kMbmBadMethod, false},
        {"kind 5 method 4", MbmHeader(1, 1, 5, 4), kMbmBadMethod, false},
        {"kind 3 method 255", MbmHeader(1, 1, 3, 255), kMbmBadMethod, false},
        // Dimensions are refused before anything is allocated when a buffer
        // would pass 2^28 bytes (or its size would overflow).
        {"32-bit 65536 x 65536", MbmHeader(65536, 65536, 5, 0), kMbmNoMemory, false},
        {"1-bit largest dimensions", MbmHeader(INT_MAX, INT_MAX, 0, 1), kMbmNoMemory, false},
        {"32-bit one row past the cap", MbmHeader(8192, 8193, 5, 0), kMbmNoMemory, false},
        {"8-bit one pixel past the cap", MbmHeader(16385, 16384, 2, 1), kMbmNoMemory, false},
        {"spread index past the cap", MbmHeader(8192, 8193, 4, 2), kMbmNoMemory, false},
        // At the cap itself the buffer is made, and the missing body is reported.
        {"32-bit exactly at the cap", MbmHeader(8192, 8192, 5, 0), kMbmBadBody, false},
        {"entry count 0", Concat(MbmHeader(1, 1, 2, 1), {0, 0, 0, 0}), kMbmBadBody, false},
        {"entry count 257", Concat(Concat(MbmHeader(1, 1, 2, 1), {1, 1}), Repeat(0, 257 * 4 + 2)), kMbmBadBody, false},
        {"entry count 65535", Concat(MbmHeader(1, 1, 2, 4), {0xFF, 0xFF, 0, 0, 0, 0}), kMbmBadBody, false},
        {"table cut short", Concat(MbmHeader(1, 1, 2, 3), {2, 0, 1, 2, 3, 4}), kMbmBadBody, false},
        {"8-bit run one past the end", Concat(MbmHeader(2, 2, 3, 1), {4, 7}), kMbmBadBody, false},
        {"8-bit run past the end after a fill", Concat(MbmHeader(2, 2, 3, 1), {2, 7, 1, 7}), kMbmBadBody, false},
        {"method 2 run past the end", Concat(Concat(MbmHeader(4, 1, 2, 2), {1, 0}), {0, 0, 0, 0, 255, 1, 0}), kMbmBadBody, false},
        {"method 3 run past the end", Concat(Concat(MbmHeader(4, 1, 2, 3), {1, 0}), {0, 0, 0, 0, 130, 0}), kMbmBadBody, false},
        {"method 4 long run past the end", Concat(Concat(MbmHeader(259, 1, 2, 4), {1, 0}), {0, 0, 0, 0, 254, 0, 0, 0}), kMbmBadBody, false},
        {"1-bit run past the end", Concat(MbmHeader(3, 1, 1, 1), {(3 << 1) | 1}), kMbmBadBody, false},
        {"1-bit zero run past the end", Concat(MbmHeader(3, 1, 0, 1), {0, 0, 0, 0, 0, 0, 0, 0, (3 << 1)}), kMbmBadBody, false},
        {"24-bit record past the end", Concat(MbmHeader(2, 1, 4, 1), {2, 1, 2, 3}), kMbmBadBody, false},
        {"32-bit group run past the end", Concat(MbmHeader(2, 1, 5, 2), {255, 3, 1, 2, 3, 4}), kMbmBadBody, false},
        {"32-bit long run past the end", Concat(MbmHeader(300, 1, 5, 2), {255, 1, 45, 0, 1, 2, 3, 4}), kMbmBadBody, false},
        {"empty body", MbmHeader(1, 1, 4, 0), kMbmBadBody, false},
        {"no pixels, no body", MbmHeader(0, 7, 5, 3), kMbmDecoded, false},
    };
    for (const Case& c : kCases) {
        MbmImage image;
        FillWithSample(image);
        EXPECT_EQ(c.status, Decode(image, c.bytes)) << c.name;
        if (c.imageKept) {
            EXPECT_EQ(2, image.Width()) << c.name;
            EXPECT_EQ((Bytes{5, 6}), PixelsOf(image)) << c.name;
        } else if (c.status != kMbmDecoded) {
            EXPECT_TRUE(IsEmpty(image)) << c.name;
        }
    }
}

TEST(MbmStatus, NoDataLeavesTheImageAlone)
{
    MbmImage image;
    FillWithSample(image);
    EXPECT_EQ(kMbmNoData, DecodeMbmImage(image, nullptr, 0));
    EXPECT_EQ(kMbmNoData, DecodeMbmImage(image, nullptr, 100));
    const unsigned char some[] = {'M', 'B'};
    EXPECT_EQ(kMbmNoData, DecodeMbmImage(image, some, 0));
    EXPECT_EQ((Bytes{5, 6}), PixelsOf(image));
}

TEST(MbmStatus, ZeroSizedImagesDecodeWithTheirDepth)
{
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(0, 0, 5, 3), {9, 9}), &used));
    EXPECT_EQ(32, image.BitsPerPixel());
    EXPECT_EQ(0u, image.PixelBytes());
    EXPECT_EQ(12u, used) << "nothing of the body is read when there are no pixels";
    FreeMbmImage(image);
    EXPECT_TRUE(IsEmpty(image));
}

TEST(MbmDecode, EachMethodByteByByte)
{
    struct Case {
        const char* name;
        Bytes bytes;
        Bytes pixels;
    };
    const Case kCases[] = {
        // A 9-pixel row is 2 bytes; runs count pixels, not the padding bits.
        {"1-bit runs over a row end", Concat(MbmHeader(9, 2, 1, 1), {(9 << 1) | 1, (7 << 1)}),
         {0xFF, 0x80, 0x80, 0x00}},
        {"1-bit runs of 128", Concat(MbmHeader(128, 2, 1, 1), {(127 << 1), (127 << 1) | 1}),
         Concat(Repeat(0, 16), Repeat(0xFF, 16))},
        {"1-bit rows copied", Concat(MbmHeader(9, 2, 1, 0), {0xAB, 0x80, 0x12, 0x00}), {0xAB, 0x80, 0x12, 0x00}},
        {"kind 0 table then rows", Concat(MbmHeader(9, 1, 0, 0), {0, 1, 2, 3, 4, 5, 6, 7, 0x55, 0x80}), {0x55, 0x80}},
        {"kind 2 method 0", Concat(Concat(MbmHeader(3, 1, 2, 0), Repeat(0x11, 1024)), {7, 8, 9}), {7, 8, 9}},
        {"kind 3 skips 1024 bytes", Concat(Concat(MbmHeader(2, 1, 3, 0), Repeat(0xEE, 1024)), {1, 2}), {1, 2}},
        {"kind 3 method 1", Concat(MbmHeader(5, 1, 3, 1), {2, 200, 1, 0}), {200, 200, 200, 0, 0}},
        {"method 1 run of 256", Concat(Concat(MbmHeader(256, 1, 2, 1), {1, 0, 1, 2, 3, 4}), {255, 0}), Repeat(0, 256)},
        {"method 2", Concat(MbmHeader(8, 1, 2, 2), {1, 0, 0, 0, 0, 0, 255, 1, 7, 3, 254, 9}),
         {7, 7, 7, 7, 7, 3, 254, 9}},
        {"method 3", Concat(MbmHeader(6, 1, 2, 3), {1, 0, 0, 0, 0, 0, 130, 200, 127}), {200, 200, 200, 200, 200, 127}},
        {"method 3 longest run", Concat(MbmHeader(130, 1, 2, 3), {1, 0, 0, 0, 0, 0, 255, 4}), Repeat(4, 130)},
        {"method 4", Concat(MbmHeader(300, 1, 2, 4), {1, 0, 0, 0, 0, 0, 254, 0x10, 0x00, 5, 255, 19, 6, 253}),
         Concat(Concat(Repeat(5, 276), Repeat(6, 23)), {253})},
        {"24-bit raw", Concat(MbmHeader(2, 1, 4, 0), {1, 2, 3, 4, 5, 6}), {1, 2, 3, 4, 5, 6}},
        {"24-bit records", Concat(MbmHeader(3, 1, 4, 1), {1, 10, 20, 30, 0, 1, 2, 3}),
         {10, 20, 30, 10, 20, 30, 1, 2, 3}},
        {"32-bit records", Concat(MbmHeader(2, 1, 5, 1), {1, 9, 8, 7, 6}), {9, 8, 7, 6, 9, 8, 7, 6}},
    };
    for (const Case& c : kCases) {
        MbmImage image;
        size_t used = 0;
        ASSERT_EQ(kMbmDecoded, Decode(image, c.bytes, &used)) << c.name;
        EXPECT_EQ(c.pixels, PixelsOf(image)) << c.name;
        EXPECT_EQ(c.bytes.size(), used) << c.name;
    }
}

TEST(MbmDecode, ColourTablesArePaddedWithZeros)
{
    MbmImage image;
    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(1, 1, 2, 1), {2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1})));
    Bytes expected = Concat(Bytes{1, 2, 3, 4, 5, 6, 7, 8}, Repeat(0, 1016));
    EXPECT_EQ(expected, TableOf(image));
    EXPECT_EQ((Bytes{1}), PixelsOf(image));

    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(1, 1, 0, 1), {0, 1, 2, 3, 4, 5, 6, 7, 1})));
    EXPECT_EQ((Bytes{0, 1, 2, 3, 4, 5, 6, 7}), TableOf(image));
    EXPECT_EQ((Bytes{0x80}), PixelsOf(image));
    EXPECT_EQ(1, image.BitsPerPixel());

    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(1, 1, 3, 1), {0, 1})));
    EXPECT_EQ(nullptr, image.ColourTable()) << "kind 3 has no table";
}

TEST(MbmDecode, ThirtyTwoBitGroups)
{
    // One pixel; T = 255 with R = 0 is a pixel too; a short run of 3; a run of
    // 256 * (0 + 1) + 0.
    Bytes bytes = Concat(MbmHeader(261, 1, 5, 2),
                         {10, 20, 30, 40, 255, 0, 5, 6, 255, 3, 1, 2, 3, 4, 255, 1, 0, 0, 9, 9, 9, 9});
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes, &used));
    Bytes expected = {10, 20, 30, 40, 255, 0, 5, 6, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4};
    for (int i = 0; i < 256; ++i)
        expected.insert(expected.end(), {9, 9, 9, 9});
    EXPECT_EQ(expected, PixelsOf(image));
    EXPECT_EQ(bytes.size(), used);

    // The longest run: 256 * (255 + 1) + 255.
    ASSERT_EQ(kMbmDecoded, Decode(image, Concat(MbmHeader(65791, 1, 5, 2), {255, 1, 255, 255, 1, 2, 3, 4})));
    EXPECT_EQ(4u * 65791, image.PixelBytes());
    EXPECT_EQ(4, image.Pixels()[4 * 65790 + 3]);
}

TEST(MbmSpread, PlacesByGapsCountedInFreePixels)
{
    const uint8_t A[] = {0, 1, 1, 1}, B[] = {0, 2, 2, 2}, C[] = {0, 3, 3, 3}, D[] = {0, 4, 4, 4};
    // Record A at 0, skip 2 free pixels -> 2; then a literal block B, C fills
    // pixels 1 and 3; record D at 4 with a run of 2 that meets the end after
    // one pixel, and a skip step that has nothing left: both are read to the 0.
    Bytes body = {0, A[0], A[1], A[2], A[3], 2, 0, 2, B[0], B[1], B[2], B[3], C[0], C[1], C[2], C[3],
                  0, D[0], D[1], D[2], D[3], 255, 0, 7, 0};
    Bytes bytes = Concat(MbmHeader(6, 1, 5, 3), body);
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes, &used));
    Bytes expected;
    for (const uint8_t* colour : {A, B, A, C, D, D})
        expected.insert(expected.end(), colour, colour + 4);
    EXPECT_EQ(expected, PixelsOf(image));
    EXPECT_EQ(bytes.size(), used);
}

TEST(MbmSpread, RunCountsOfOneAndTwoBytes)
{
    // 1 x 200, 24-bit: V at 0 plus a run of 130 (x = 128, y = 0); W at 131
    // with a run of 129 (x = 127) that meets the end after 68 pixels.
    Bytes bytes = Concat(MbmHeader(1, 200, 4, 2), {0, 1, 1, 1, 255, 128, 0, 0, 0, 2, 2, 2, 255, 127, 0});
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes, &used));
    Bytes pixels = PixelsOf(image);
    for (int p = 0; p < 200; ++p)
        EXPECT_EQ(p <= 130 ? 1 : 2, pixels[p * 3]) << "pixel " << p;
    EXPECT_EQ(bytes.size(), used);
}

TEST(MbmSpread, StepsPastTheEndPlaceNothingAndAreReadToTheirEnd)
{
    // Record A: a skip of 254 runs off a 3-pixel image; the run of
    // 130 + 127 * 256 + 255 and the skip of 3 after it are read but place
    // nothing; the literal block B, C then fills what is left.
    Bytes bytes = Concat(MbmHeader(3, 1, 4, 2), {0, 1, 1, 1, 254, 255, 255, 255, 3, 0, 2, 2, 2, 2, 3, 3, 3});
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes, &used));
    EXPECT_EQ((Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}), PixelsOf(image));
    EXPECT_EQ(bytes.size(), used);
}

TEST(MbmSpread, LiteralBlockEndsAtTheLastPixel)
{
    // A block of 5 colours with 3 pixels: the last two colours are not read.
    Bytes bytes = Concat(MbmHeader(3, 1, 4, 2), {5, 1, 1, 1, 2, 2, 2, 3, 3, 3, 0xAA, 0xAA, 0xAA});
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes, &used));
    EXPECT_EQ((Bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}), PixelsOf(image));
    EXPECT_EQ(12u + 1 + 9, used);
}

TEST(MbmSpread, LaterRecordsSkipPlacedPixels)
{
    // A at 0, 2, 4 (skips of 2); B at 1 runs over the free 3 and 5.
    Bytes bytes = Concat(MbmHeader(6, 1, 5, 3), {0, 9, 1, 1, 1, 2, 2, 0, 0, 9, 2, 2, 2, 255, 0, 0});
    MbmImage image;
    ASSERT_EQ(kMbmDecoded, Decode(image, bytes));
    Bytes pixels = PixelsOf(image);
    const uint8_t expected[] = {1, 2, 1, 2, 1, 2};
    for (int p = 0; p < 6; ++p)
        EXPECT_EQ(expected[p], pixels[p * 4 + 1]) << "pixel " << p;
}

TEST(MbmSpread, BodyEndingInsideARecordIsStatus6)
{
    const Bytes kBodies[] = {
        {},                         // no block at all
        {0, 1, 1},                  // colour cut short
        {0, 1, 1, 1},               // steps never end
        {0, 1, 1, 1, 255},          // run without its count
        {0, 1, 1, 1, 255, 200},     // two-byte count cut short
        {2, 1, 1, 1},               // literal block cut short
    };
    for (const Bytes& body : kBodies) {
        MbmImage image;
        EXPECT_EQ(kMbmBadBody, Decode(image, Concat(MbmHeader(4, 1, 4, 2), body))) << body.size() << " body bytes";
        EXPECT_TRUE(IsEmpty(image));
    }
}

TEST(MbmTruncated, EveryShorterPrefixOfEveryKindAndMethodIsRefused)
{
    TestRandom random(77);
    for (int kind = 0; kind <= 5; ++kind) {
        for (int method = 0; method <= 4; ++method) {
            if (!MbmMethodAllowed(kind, method))
                continue;
            MbmPicture picture;
            picture.kind = kind;
            picture.width = 11;
            picture.height = 5;
            picture.pixels.resize(MbmPictureBytes(picture.width, picture.height, kind));
            for (size_t i = 0; i < picture.pixels.size(); ++i)
                picture.pixels[i] = static_cast<uint8_t>(random.Below(3) * 40);
            if (kind == 0)
                picture.table.assign(8, 9);
            if (kind == 2)
                picture.table.assign(3 * 4, 9);
            Bytes encoded;
            std::string error;
            ASSERT_TRUE(EncodeMbm(picture, method, &encoded, &error)) << error;
            for (size_t length = 2; length < encoded.size(); ++length) {
                MbmImage image;
                Bytes prefix(encoded.begin(), encoded.begin() + length);
                ASSERT_EQ(kMbmBadBody, Decode(image, prefix))
                    << "kind " << kind << " method " << method << " length " << length;
                ASSERT_TRUE(IsEmpty(image));
            }
            MbmImage whole;
            EXPECT_EQ(kMbmDecoded, Decode(whole, encoded)) << "kind " << kind << " method " << method;
        }
    }
}

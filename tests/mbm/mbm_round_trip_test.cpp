// Every pixel kind with every method through the build tooling's encoder and
// back through the program's decoder.
#include "mbm_encoder.h"
#include "mbm_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Whether a value may stand alone (in a run shorter than the method's shortest
// run form); other values are only generated in long runs.
bool MayStandAlone(int kind, int method, const uint8_t* pixel)
{
    if (kind == 2 || kind == 3) {
        if (method == 2)
            return pixel[0] <= 254;
        if (method == 3)
            return pixel[0] < 128;
        if (method == 4)
            return pixel[0] <= 253;
        return true;
    }
    if (kind == 5 && method == 2)
        return pixel[0] < 255 || pixel[1] == 0;
    return true;
}

// Runs of random lengths (some long, so that every run form is needed) in a
// handful of colours. For 1-bit kinds a "pixel" is one bit.
MbmPicture RandomPicture(TestRandom& random, int kind, int method, int32_t width, int32_t height)
{
    MbmPicture picture = BlankMbmPicture(kind, width, height);
    if (kind == 0)
        for (int i = 0; i < 8; ++i)
            picture.table.push_back(static_cast<uint8_t>(random.Next()));
    if (kind == 2) {
        uint32_t entries = 1 + random.Below(256);
        for (uint32_t i = 0; i < entries * 4; ++i)
            picture.table.push_back(static_cast<uint8_t>(random.Next()));
    }

    uint8_t palette[8][4];
    for (auto& colour : palette)
        for (uint8_t& byte : colour)
            byte = static_cast<uint8_t>(random.Next());
    // Make values that can only live in runs likely.
    palette[0][0] = 255;
    palette[0][1] = 7;
    palette[1][0] = 254;

    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    size_t n = 0;
    while (n < count) {
        uint32_t shape = random.Below(10);
        size_t run = shape < 6 ? 1 + random.Below(3) : shape < 9 ? 4 + random.Below(300) : 250 + random.Below(70000);
        run = std::min(run, count - n);
        const uint8_t* colour = palette[random.Below(8)];
        uint8_t low[4] = {static_cast<uint8_t>(colour[0] % 100), colour[1], colour[2], colour[3]};
        if (run < 4 && !MayStandAlone(kind, method, colour))
            colour = low;
        for (size_t k = 0; k < run && n < count; ++k, ++n)
            SetMbmPixel(&picture, n, colour);
    }
    return picture;
}

void ExpectRoundTrip(const MbmPicture& picture, int method, const std::string& name)
{
    Bytes encoded;
    std::string error;
    ASSERT_TRUE(EncodeMbm(picture, method, &encoded, &error)) << name << ": " << error;
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, Decode(image, encoded, &used)) << name;
    EXPECT_EQ(encoded.size(), used) << name << ": the stream must end at its last pixel";
    EXPECT_EQ(picture.width, image.Width()) << name;
    EXPECT_EQ(picture.height, image.Height()) << name;
    EXPECT_EQ(MbmBitsPerPixel(picture.kind), image.BitsPerPixel()) << name;
    EXPECT_TRUE(picture.pixels == PixelsOf(image)) << name << ": pixels differ";
    Bytes table = picture.table;
    if (picture.kind == 2)
        table.resize(1024, 0);
    EXPECT_EQ(table, TableOf(image)) << name;
}

}  // namespace

TEST(MbmRoundTrip, EveryKindAndMethod)
{
    const struct {
        int32_t width;
        int32_t height;
    } kSizes[] = {{0, 0}, {1, 1}, {9, 2}, {8, 3}, {17, 13}, {640, 120}};
    TestRandom random(20250);
    int checked = 0;
    for (int kind = 0; kind <= 5; ++kind) {
        for (int method = 0; method <= 4; ++method) {
            if (!MbmMethodAllowed(kind, method))
                continue;
            for (const auto& size : kSizes) {
                for (int trial = 0; trial < 3; ++trial) {
                    MbmPicture picture = RandomPicture(random, kind, method, size.width, size.height);
                    ExpectRoundTrip(picture, method,
                                    "kind " + std::to_string(kind) + " method " + std::to_string(method) + " " +
                                        std::to_string(size.width) + "x" + std::to_string(size.height) +
                                        " trial " + std::to_string(trial));
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(18 * 6 * 3, checked);
}

TEST(MbmRoundTrip, RunsSplitWhereAValueCannotStandAlone)
{
    // Lengths just past a run form's longest, in values that have no single form.
    const struct {
        const char* name;
        int kind;
        int method;
        int32_t width;
        uint8_t value[4];
    } kCases[] = {
        {"method 2, 255 x 261", 2, 2, 261, {255}},
        {"method 2, 255 x 262", 2, 2, 262, {255}},
        {"method 3, 200 x 131", 2, 3, 131, {200}},
        {"method 3, 128 x 132", 2, 3, 132, {128}},
        {"method 4, 254 x 65797", 2, 4, 65797, {254}},
        {"method 4, 255 x 263", 2, 4, 263, {255}},
        {"32-bit groups, T 255 x 65792", 5, 2, 65792, {255, 9, 1, 2}},
        {"32-bit groups, T 255 x 257", 5, 2, 257, {255, 1, 1, 2}},
        {"spread, one colour x 40000", 5, 3, 40000, {4, 3, 2, 1}},
    };
    for (const auto& c : kCases) {
        MbmPicture picture;
        picture.kind = c.kind;
        picture.width = c.width;
        picture.height = 1;
        if (c.kind == 2)
            picture.table.assign(4, 1);
        size_t size = MbmBitsPerPixel(c.kind) / 8;
        for (int32_t i = 0; i < c.width; ++i)
            picture.pixels.insert(picture.pixels.end(), c.value, c.value + size);
        ExpectRoundTrip(picture, c.method, c.name);
    }
}

TEST(MbmRoundTrip, SpreadWithGapsTooLongForOneRecord)
{
    // Colour A at both ends of 600 otherwise distinct pixels: the gap of 598
    // free pixels is more than one skip can express.
    MbmPicture picture;
    picture.kind = 4;
    picture.width = 600;
    picture.height = 2;
    for (int p = 0; p < 1200; ++p) {
        bool a = p == 0 || p == 599 || p == 1199 || (p > 700 && p % 97 == 0);
        picture.pixels.push_back(a ? 200 : static_cast<uint8_t>(p));
        picture.pixels.push_back(a ? 200 : static_cast<uint8_t>(p >> 8));
        picture.pixels.push_back(a ? 200 : 0);
    }
    ExpectRoundTrip(picture, 2, "24-bit spread");
}

TEST(MbmRoundTrip, EncoderRefusesWhatAMethodCannotHold)
{
    MbmPicture picture;
    picture.kind = 2;
    picture.width = 2;
    picture.height = 1;
    picture.table.assign(4, 0);
    picture.pixels = {200, 1};
    Bytes encoded;
    std::string error;
    EXPECT_FALSE(EncodeMbm(picture, 3, &encoded, &error)) << "200 alone under method 3";
    EXPECT_TRUE(EncodeMbm(picture, 1, &encoded, &error)) << error;
    picture.pixels = {255, 255};
    EXPECT_FALSE(EncodeMbm(picture, 2, &encoded, &error)) << "255 in a run of 2 under method 2";
    EXPECT_FALSE(EncodeMbm(picture, 5, &encoded, &error)) << "no method 5";
    picture.table.clear();
    EXPECT_FALSE(EncodeMbm(picture, 1, &encoded, &error)) << "kind 2 needs a table";
}

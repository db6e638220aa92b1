// Prints decode times in ns/pixel for raw, run-length and spread encodings of
// the same generated 32-bit picture, and spread decodes at growing sizes to
// show that the free-pixel search keeps the time proportional to the pixels.
// Not a test: the figures depend on the machine.
//   mbm_bench [SIDE]   (default 2048)
#include "mbm_encoder.h"
#include "mbm_image.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>

namespace {

// Diagonal bands in 48 colours with speckles, some transparent: runs for the
// run-length methods, many far-apart pixels per colour for the spread one.
MbmPicture BenchPicture(int32_t side)
{
    MbmPicture picture;
    picture.kind = 5;
    picture.width = side;
    picture.height = side;
    picture.pixels.resize(static_cast<size_t>(side) * side * 4);
    uint32_t random = 12345;
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            random = random * 1103515245u + 12345u;
            uint32_t colour = (x / 16 + y / 16) % 48;
            if ((random >> 16) % 61 == 0)
                colour = (random >> 8) % 48;
            uint8_t* pixel = &picture.pixels[(static_cast<size_t>(y) * side + x) * 4];
            pixel[0] = colour % 5 == 0 ? 255 : 0;
            pixel[1] = pixel[0] == 255 ? 0 : static_cast<uint8_t>(colour * 5);
            pixel[2] = static_cast<uint8_t>(colour * 3);
            pixel[3] = static_cast<uint8_t>(255 - colour);
        }
    }
    return picture;
}

double BestNanosecondsPerPixel(const std::vector<uint8_t>& encoded, const MbmPicture& picture, int rounds)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        MbmImage image;
        auto start = std::chrono::steady_clock::now();
        int status = DecodeMbmImage(image, encoded.data(), encoded.size());
        auto end = std::chrono::steady_clock::now();
        if (status != kMbmDecoded || memcmp(image.Pixels(), picture.pixels.data(), picture.pixels.size()) != 0) {
            fprintf(stderr, "mbm_bench: decode failed (status %d)\n", status);
            exit(1);
        }
        double ns = std::chrono::duration<double, std::nano>(end - start).count();
        double perPixel = ns / (static_cast<double>(picture.width) * picture.height);
        if (perPixel < best)
            best = perPixel;
    }
    return best;
}

// The case a plain scan for the next free pixel handles worst: one colour
// covers almost everything, and 200 colours with a pixel at each end of the
// picture each step over that placed block once.
MbmPicture PlacedBlockPicture(int32_t side)
{
    MbmPicture picture = BlankMbmPicture(5, side, side);
    size_t count = static_cast<size_t>(side) * side;
    for (size_t n = 0; n < count; ++n) {
        unsigned colour = 0;
        if (n >= 1 && n <= 200)
            colour = static_cast<unsigned>(n);
        else if (n >= count - 200)
            colour = static_cast<unsigned>(n - (count - 200)) + 1;
        const uint8_t value[4] = {0, static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8), 7};
        SetMbmPixel(&picture, n, value);
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv)
{
    int32_t side = argc > 1 ? atoi(argv[1]) : 2048;
    if (side < 16 || side > 8192) {
        fprintf(stderr, "usage: mbm_bench [SIDE 16..8192]\n");
        return 2;
    }
    MbmPicture picture = BenchPicture(side);
    const struct {
        int method;
        const char* name;
    } kMethods[] = {
        {0, "raw (method 0)"},
        {1, "run-length records (method 1)"},
        {2, "run-length groups (method 2)"},
        {3, "spread (method 3)"},
    };
    printf("%dx%d 32-bit picture, best of 5 decodes\n", side, side);
    for (const auto& m : kMethods) {
        std::vector<uint8_t> encoded;
        std::string error;
        if (!EncodeMbm(picture, m.method, &encoded, &error)) {
            fprintf(stderr, "mbm_bench: %s\n", error.c_str());
            return 1;
        }
        printf("  %-31s %9zu bytes  %6.2f ns/pixel\n", m.name, encoded.size(),
               BestNanosecondsPerPixel(encoded, picture, 5));
    }
    // Search steps per pixel stay flat (about 0.5 to 1.2 from 256x256 to 4096x4096);
    // what rises with size is cache misses, as records sweep the whole picture.
    printf("spread decode by size\n");
    for (int32_t size = side / 4; size <= side; size *= 2) {
        MbmPicture part = BenchPicture(size);
        std::vector<uint8_t> encoded;
        std::string error;
        if (!EncodeMbm(part, 3, &encoded, &error))
            return 1;
        printf("  %5dx%-5d %6.2f ns/pixel\n", size, size, BestNanosecondsPerPixel(encoded, part, 5));
    }
    MbmPicture block = PlacedBlockPicture(side);
    std::vector<uint8_t> encoded;
    std::string error;
    if (!EncodeMbm(block, 3, &encoded, &error))
        return 1;
    printf("spread, 200 records stepping over one placed block: %6.2f ns/pixel\n",
           BestNanosecondsPerPixel(encoded, block, 5));
    return 0;
}

// Writes the fuzzing seed corpus: small pictures of every pixel kind in every
// method, from the build's encoder, plus the logo itself when its PAM is given.
//   mbm_seeds OUTPUT_FOLDER [logo.pam]
#include "mbm_encoder.h"

#include <stdio.h>

#include <string>

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::string path = folder + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

// Bands and blocks in a few colours, so that every run and spread form occurs.
MbmPicture SeedPicture(int kind, int32_t width, int32_t height, unsigned seed)
{
    MbmPicture picture = BlankMbmPicture(kind, width, height);
    if (kind == 0)
        picture.table = {0, 10, 20, 30, 255, 0, 0, 0};
    if (kind == 2)
        for (int i = 0; i < 6 * 4; ++i)
            picture.table.push_back(static_cast<uint8_t>(i * 37 + seed));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            unsigned colour = ((x / 5) + (y / 3) * 2 + ((x * y + seed) % 7 == 0 ? 3 : 0)) % 6;
            // The low bit of the first byte is the 1-bit kinds' pixel.
            const uint8_t base = static_cast<uint8_t>(colour * 20);
            const uint8_t value[4] = {static_cast<uint8_t>(base + (colour & 1)), static_cast<uint8_t>(base + 1),
                                      static_cast<uint8_t>(base + 2), static_cast<uint8_t>(base + 3)};
            SetMbmPixel(&picture, static_cast<size_t>(y) * width + x, value);
        }
    }
    return picture;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: mbm_seeds OUTPUT_FOLDER [logo.pam]\n");
        return 2;
    }
    std::string folder = argv[1];
    int written = 0;
    const struct {
        int32_t width;
        int32_t height;
    } kSizes[] = {{1, 1}, {9, 2}, {23, 11}, {70, 30}};
    for (int kind = 0; kind <= 5; ++kind) {
        for (int method = 0; method <= 4; ++method) {
            if (!MbmMethodAllowed(kind, method))
                continue;
            for (unsigned i = 0; i < sizeof kSizes / sizeof kSizes[0]; ++i) {
                MbmPicture picture = SeedPicture(kind, kSizes[i].width, kSizes[i].height, i);
                std::vector<uint8_t> bytes;
                std::string error;
                if (!EncodeMbm(picture, method, &bytes, &error)) {
                    fprintf(stderr, "mbm_seeds: kind %d method %d: %s\n", kind, method, error.c_str());
                    return 1;
                }
                std::string name = "k" + std::to_string(kind) + "m" + std::to_string(method) + "s" + std::to_string(i);
                if (!WriteSeed(folder, name, bytes))
                    return 1;
                ++written;
            }
        }
    }
    if (argc > 2) {
        int32_t width, height;
        std::vector<uint8_t> rgba;
        MbmPicture picture;
        std::vector<uint8_t> bytes;
        std::string error;
        if (!ReadPamFile(argv[2], &width, &height, &rgba, &error) ||
            !MbmPictureFromRgba(2, width, height, rgba, 128, &picture, &error) ||
            !EncodeMbm(picture, 3, &bytes, &error) || !WriteSeed(folder, "logo", bytes)) {
            fprintf(stderr, "mbm_seeds: logo: %s\n", error.c_str());
            return 1;
        }
        ++written;
    }
    printf("mbm_seeds: %d seeds in %s\n", written, folder.c_str());
    return 0;
}

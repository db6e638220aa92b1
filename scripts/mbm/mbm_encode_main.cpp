// Build-time logo encoder: reads a PAM picture and writes it in the logo
// bitmap format with the pixel kind and method asked for.
//   mbm_encode --kind K --method M [--max-colours N] input.pam output.mbm
#include "mbm_encoder.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Usage()
{
    fprintf(stderr, "usage: mbm_encode --kind K --method M [--max-colours N] input.pam output.mbm\n");
    return 2;
}

int main(int argc, char** argv)
{
    int kind = -1, method = -1, maxColours = 256;
    const char* input = nullptr;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--kind") == 0 && i + 1 < argc)
            kind = atoi(argv[++i]);
        else if (strcmp(argv[i], "--method") == 0 && i + 1 < argc)
            method = atoi(argv[++i]);
        else if (strcmp(argv[i], "--max-colours") == 0 && i + 1 < argc)
            maxColours = atoi(argv[++i]);
        else if (!input)
            input = argv[i];
        else if (!output)
            output = argv[i];
        else
            return Usage();
    }
    if (!input || !output || !MbmMethodAllowed(kind, method))
        return Usage();

    std::string error;
    int32_t width, height;
    std::vector<uint8_t> rgba;
    MbmPicture picture;
    std::vector<uint8_t> encoded;
    if (!ReadPamFile(input, &width, &height, &rgba, &error) ||
        !MbmPictureFromRgba(kind, width, height, rgba, maxColours, &picture, &error) ||
        !EncodeMbm(picture, method, &encoded, &error)) {
        fprintf(stderr, "mbm_encode: %s: %s\n", input, error.c_str());
        return 1;
    }
    // Written under a temporary name first so that a failed run leaves no
    // half-written file for the resource compiler to pick up.
    std::string temporary = std::string(output) + ".tmp";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file || fwrite(encoded.data(), 1, encoded.size(), file) != encoded.size() || fclose(file) != 0 ||
        rename(temporary.c_str(), output) != 0) {
        fprintf(stderr, "mbm_encode: cannot write %s\n", output);
        return 1;
    }
    printf("mbm_encode: %s: %dx%d kind %d method %d, %zu table entries, %zu bytes\n", output,
           static_cast<int>(width), static_cast<int>(height), kind, method, picture.table.size() / 4,
           encoded.size());
    return 0;
}

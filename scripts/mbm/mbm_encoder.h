// Writer of the logo bitmap format, for the build and the tests only: the
// screen saver itself only reads the format. Plain C++ with the standard
// library, built for the host (the build's logo encoder, fuzzing seeds, the
// benchmark) and for Windows (round-trip tests against the program's decoder).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// A picture laid out as the decoder's image holds it: rows from the top without
// padding (1 bit: ceil(width / 8) bytes a row, most significant bit first;
// 8 bits: one byte; 24 bits: R, G, B; 32 bits: T, R, G, B).
struct MbmPicture {
    int32_t width = 0;
    int32_t height = 0;
    int kind = 0;                  // 0 to 5, as in the header
    std::vector<uint8_t> table;    // T, R, G, B entries: kind 0 exactly 2, kind 2 1 to 256
    std::vector<uint8_t> pixels;
};

int MbmBitsPerPixel(int kind);
size_t MbmPictureBytes(int32_t width, int32_t height, int kind);
bool MbmMethodAllowed(int kind, int method);

// An all-zero picture of the kind and size, without a table.
MbmPicture BlankMbmPicture(int kind, int32_t width, int32_t height);
// Sets pixel n (counted row by row): for 1 bit the low bit of value[0], else
// the depth's 1, 3 or 4 bytes.
void SetMbmPixel(MbmPicture* picture, size_t n, const uint8_t* value);

bool ReadBinaryFile(const char* path, std::vector<uint8_t>* bytes);

// Appends the resource (header and body) to `out`. False, with the reason in
// `error`, when the picture is inconsistent or holds a value the method cannot
// express (for example an 8-bit value of 128 or more outside a run of at least
// 3 pixels in method 3).
bool EncodeMbm(const MbmPicture& picture, int method, std::vector<uint8_t>* out, std::string* error);

// Reads a Netpbm PAM file (P7, MAXVAL 255, depth 1 to 4) as R, G, B, A bytes.
bool ReadPamFile(const char* path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgba,
                 std::string* error);

// Builds a picture of the given kind from R, G, B, A pixels. Transparency is
// 255 - alpha; every fully transparent pixel becomes the one colour T = 255,
// R = G = B = 0. Kind 0 and 2 take the distinct colours as their table, most
// frequent first (at most 2, or at most maxColours and 256); kind 1 sets the
// bits of light pixels; kind 3 keeps the luminance.
bool MbmPictureFromRgba(int kind, int32_t width, int32_t height, const std::vector<uint8_t>& rgba,
                        int maxColours, MbmPicture* picture, std::string* error);

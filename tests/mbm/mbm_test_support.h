// Small builders of logo-format streams for the tests.
#pragma once

#include "mbm_image.h"

#include <stdint.h>

#include <initializer_list>
#include <vector>

using Bytes = std::vector<uint8_t>;

// "MB", width, height, kind, method.
Bytes MbmHeader(int32_t width, int32_t height, int kind, int method);
Bytes Concat(const Bytes& a, std::initializer_list<uint8_t> tail);
Bytes Concat(const Bytes& a, const Bytes& b);
Bytes Repeat(uint8_t value, size_t count);

// Decodes the bytes, returning the status and how many bytes were used.
int Decode(MbmImage& image, const Bytes& bytes, size_t* used = nullptr);
Bytes PixelsOf(const MbmImage& image);
Bytes TableOf(const MbmImage& image);
bool IsEmpty(const MbmImage& image);

// Deterministic pseudo-random numbers (xorshift), the same on every run.
class TestRandom {
public:
    explicit TestRandom(uint32_t seed) : state_(seed ? seed : 1) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint32_t Below(uint32_t limit) { return limit ? Next() % limit : 0; }

private:
    uint32_t state_;
};

#include "mbm_encoder.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace {

void Put16(std::vector<uint8_t>* out, uint32_t value)
{
    out->push_back(static_cast<uint8_t>(value));
    out->push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutBytes(std::vector<uint8_t>* out, const uint8_t* bytes, size_t count)
{
    out->insert(out->end(), bytes, bytes + count);
}

// Splits a run of `length` equal pixels into the method's run forms and single
// pixels. `minRun` and `maxRun` bound one run code; a value that has no single
// form must never be left with a remainder shorter than `minRun`.
bool SplitRun(uint32_t length, uint32_t minRun, uint32_t maxRun, bool singleAllowed,
              const std::function<void(uint32_t)>& emitRun, const std::function<void()>& emitSingle)
{
    while (length > 0) {
        if (length >= minRun) {
            uint32_t take = std::min(length, maxRun);
            uint32_t rest = length - take;
            if (rest > 0 && rest < minRun && !singleAllowed)
                take = length - minRun;
            emitRun(take);
            length -= take;
        } else if (singleAllowed) {
            for (; length > 0; --length)
                emitSingle();
        } else {
            return false;
        }
    }
    return true;
}

// Calls visit(first, length) for each run of equal pixels of `size` bytes.
void ForEachRun(const uint8_t* pixels, size_t count, size_t size,
                const std::function<bool(const uint8_t*, uint32_t)>& visit, bool* ok)
{
    size_t i = 0;
    while (i < count && *ok) {
        size_t j = i + 1;
        while (j < count && memcmp(pixels + j * size, pixels + i * size, size) == 0)
            ++j;
        *ok = visit(pixels + i * size, static_cast<uint32_t>(j - i));
        i = j;
    }
}

bool EncodeEightBitStream(const MbmPicture& picture, int method, std::vector<uint8_t>* out, std::string* error)
{
    bool ok = true;
    ForEachRun(picture.pixels.data(), picture.pixels.size(), 1, [&](const uint8_t* value, uint32_t length) {
        uint8_t v = *value;
        auto single = [&] { out->push_back(v); };
        bool done = false;
        switch (method) {
        case 1:
            done = SplitRun(length, 1, 256, false, [&](uint32_t n) {
                out->push_back(static_cast<uint8_t>(n - 1));
                out->push_back(v);
            }, single);
            break;
        case 2:
            done = SplitRun(length, 4, 259, v <= 254, [&](uint32_t n) {
                out->push_back(255);
                out->push_back(static_cast<uint8_t>(n - 4));
                out->push_back(v);
            }, single);
            break;
        case 3:
            done = SplitRun(length, 3, 130, v < 128, [&](uint32_t n) {
                out->push_back(static_cast<uint8_t>(n + 125));
                out->push_back(v);
            }, single);
            break;
        default:
            done = SplitRun(length, 4, 65795, v <= 253, [&](uint32_t n) {
                if (n >= 260) {
                    out->push_back(254);
                    Put16(out, n - 260);
                } else {
                    out->push_back(255);
                    out->push_back(static_cast<uint8_t>(n - 4));
                }
                out->push_back(v);
            }, single);
            break;
        }
        if (!done) {
            char text[96];
            snprintf(text, sizeof text, "value %u cannot stand alone in a run of %u under method %d",
                     static_cast<unsigned>(v), static_cast<unsigned>(length), method);
            *error = text;
        }
        return done;
    }, &ok);
    return ok;
}

bool EncodeColourRecords(const MbmPicture& picture, std::vector<uint8_t>* out)
{
    size_t size = MbmBitsPerPixel(picture.kind) / 8;
    bool ok = true;
    ForEachRun(picture.pixels.data(), picture.pixels.size() / size, size, [&](const uint8_t* value, uint32_t length) {
        return SplitRun(length, 1, 256, false, [&](uint32_t n) {
            out->push_back(static_cast<uint8_t>(n - 1));
            PutBytes(out, value, size);
        }, [] {});
    }, &ok);
    return ok;
}

bool EncodeGroups(const MbmPicture& picture, std::vector<uint8_t>* out, std::string* error)
{
    bool ok = true;
    ForEachRun(picture.pixels.data(), picture.pixels.size() / 4, 4, [&](const uint8_t* value, uint32_t length) {
        // T = 255 with R > 0 reads as a run marker: such a pixel exists only in runs.
        bool single = value[0] < 255 || value[1] == 0;
        bool done = SplitRun(length, 2, 65791, single, [&](uint32_t n) {
            out->push_back(255);
            if (n >= 256) {
                out->push_back(1);
                out->push_back(static_cast<uint8_t>((n - 256) & 0xFF));
                out->push_back(static_cast<uint8_t>((n - 256) >> 8));
                PutBytes(out, value, 4);
            } else {
                out->push_back(static_cast<uint8_t>(n));
                PutBytes(out, value, 4);
            }
        }, [&] { PutBytes(out, value, 4); });
        if (!done)
            *error = "a pixel with T = 255 and R > 0 stands alone; method 2 cannot express it";
        return done;
    }, &ok);
    return ok;
}

// Counts pixels not yet covered in a prefix (Fenwick tree), for the gaps
// between a colour's pixels that the spread encoding counts.
class UncoveredCounter {
public:
    explicit UncoveredCounter(uint32_t count) : tree_(count + 1, 0)
    {
        for (uint32_t i = 1; i <= count; ++i) {
            tree_[i] += 1;
            uint32_t parent = i + (i & (0u - i));
            if (parent <= count)
                tree_[parent] += tree_[i];
        }
    }
    void Cover(uint32_t position)
    {
        for (uint32_t i = position + 1; i < tree_.size(); i += i & (0u - i))
            tree_[i] -= 1;
    }
    // Uncovered pixels among 0 .. end - 1.
    uint32_t Before(uint32_t end) const
    {
        uint32_t sum = 0;
        for (uint32_t i = end; i > 0; i -= i & (0u - i))
            sum += tree_[i];
        return sum;
    }

private:
    std::vector<uint32_t> tree_;
};

class NextUncovered {
public:
    explicit NextUncovered(uint32_t count) : parent_(count + 1)
    {
        for (uint32_t i = 0; i <= count; ++i)
            parent_[i] = i;
    }
    uint32_t From(uint32_t position)
    {
        while (parent_[position] != position) {
            parent_[position] = parent_[parent_[position]];
            position = parent_[position];
        }
        return position;
    }
    void Cover(uint32_t position) { parent_[position] = position + 1; }

private:
    std::vector<uint32_t> parent_;
};

// Each colour is written once where it can be, as a spread record with the
// gaps between its pixels counted in pixels not yet covered; a colour whose
// next pixel is more than 253 uncovered pixels away ends its record there and
// starts another when the cursor reaches it. Colours with one pixel left go
// into literal blocks.
bool EncodeSpread(const MbmPicture& picture, std::vector<uint8_t>* out)
{
    const uint32_t size = MbmBitsPerPixel(picture.kind) / 8;
    const uint32_t count = static_cast<uint32_t>(picture.pixels.size() / size);
    const uint8_t* pixels = picture.pixels.data();

    std::unordered_map<uint32_t, uint32_t> idOfColour;
    std::vector<uint32_t> colourOf(count);
    std::vector<std::vector<uint32_t>> positions;
    for (uint32_t p = 0; p < count; ++p) {
        uint32_t key = 0;
        memcpy(&key, pixels + static_cast<size_t>(p) * size, size);
        auto inserted = idOfColour.emplace(key, static_cast<uint32_t>(positions.size()));
        if (inserted.second)
            positions.emplace_back();
        colourOf[p] = inserted.first->second;
        positions[inserted.first->second].push_back(p);
    }
    std::vector<uint32_t> nextOfColour(positions.size(), 0);

    UncoveredCounter counter(count);
    NextUncovered next(count);
    auto cover = [&](uint32_t p) {
        counter.Cover(p);
        next.Cover(p);
        ++nextOfColour[colourOf[p]];
    };
    auto colourAt = [&](uint32_t p) { return pixels + static_cast<size_t>(p) * size; };
    // Uncovered pixels strictly between a and b.
    auto gap = [&](uint32_t a, uint32_t b) { return counter.Before(b) - counter.Before(a + 1); };
    // True when the colour at p has no later pixel that a record could reach.
    auto lonely = [&](uint32_t p) {
        const std::vector<uint32_t>& list = positions[colourOf[p]];
        uint32_t index = nextOfColour[colourOf[p]];
        return index + 1 >= list.size() || gap(p, list[index + 1]) > 253;
    };

    uint32_t cursor = 0;
    for (;;) {
        cursor = next.From(cursor);
        if (cursor >= count)
            break;
        if (lonely(cursor)) {
            std::vector<uint32_t> block;
            uint32_t p = cursor;
            while (block.size() < 255 && p < count && lonely(p)) {
                block.push_back(p);
                cover(p);
                p = next.From(p + 1);
            }
            out->push_back(static_cast<uint8_t>(block.size()));
            for (uint32_t q : block)
                PutBytes(out, colourAt(q), size);
            cursor = block.back() + 1;
            continue;
        }

        uint32_t id = colourOf[cursor];
        const std::vector<uint32_t>& list = positions[id];
        out->push_back(0);
        PutBytes(out, colourAt(cursor), size);
        cover(cursor);
        uint32_t at = cursor;
        uint32_t pendingRun = 0;
        auto flushRun = [&] {
            while (pendingRun > 0) {
                if (pendingRun == 1) {
                    out->push_back(1);
                    break;
                }
                uint32_t take = std::min(pendingRun, 32897u);
                out->push_back(255);
                if (take <= 129) {
                    out->push_back(static_cast<uint8_t>(take - 2));
                } else {
                    out->push_back(static_cast<uint8_t>(128 + ((take - 130) >> 8)));
                    out->push_back(static_cast<uint8_t>((take - 130) & 0xFF));
                }
                pendingRun -= take;
            }
            pendingRun = 0;
        };
        while (nextOfColour[id] < list.size()) {
            uint32_t p = list[nextOfColour[id]];
            uint32_t skipped = gap(at, p);
            if (skipped == 0) {
                ++pendingRun;
            } else if (skipped + 1 <= 254) {
                flushRun();
                out->push_back(static_cast<uint8_t>(skipped + 1));
            } else {
                break;
            }
            cover(p);
            at = p;
        }
        flushRun();
        out->push_back(0);
        cursor += 1;
    }
    return true;
}

}  // namespace

int MbmBitsPerPixel(int kind)
{
    static const int kBits[] = {1, 1, 8, 8, 24, 32};
    return kind >= 0 && kind <= 5 ? kBits[kind] : 0;
}

size_t MbmPictureBytes(int32_t width, int32_t height, int kind)
{
    size_t w = static_cast<size_t>(width);
    size_t h = static_cast<size_t>(height);
    int bits = MbmBitsPerPixel(kind);
    return bits == 1 ? (w + 7) / 8 * h : w * h * (bits / 8);
}

bool MbmMethodAllowed(int kind, int method)
{
    static const int kHighest[] = {1, 1, 4, 1, 2, 3};
    return kind >= 0 && kind <= 5 && method >= 0 && method <= kHighest[kind];
}

MbmPicture BlankMbmPicture(int kind, int32_t width, int32_t height)
{
    MbmPicture picture;
    picture.kind = kind;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(MbmPictureBytes(width, height, kind), 0);
    return picture;
}

void SetMbmPixel(MbmPicture* picture, size_t n, const uint8_t* value)
{
    int bits = MbmBitsPerPixel(picture->kind);
    if (bits == 1) {
        size_t width = static_cast<size_t>(picture->width);
        uint8_t& byte = picture->pixels[n / width * ((width + 7) / 8) + n % width / 8];
        uint8_t mask = static_cast<uint8_t>(0x80u >> (n % width % 8));
        byte = (value[0] & 1) ? byte | mask : byte & ~mask;
        return;
    }
    size_t size = static_cast<size_t>(bits / 8);
    memcpy(&picture->pixels[n * size], value, size);
}

bool ReadBinaryFile(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    bool ok = !ferror(file);
    fclose(file);
    return ok;
}

bool EncodeMbm(const MbmPicture& picture, int method, std::vector<uint8_t>* out, std::string* error)
{
    std::string ignored;
    if (!error)
        error = &ignored;
    if (!MbmMethodAllowed(picture.kind, method)) {
        *error = "method not allowed for the kind";
        return false;
    }
    if (picture.width < 0 || picture.height < 0 ||
        picture.pixels.size() != MbmPictureBytes(picture.width, picture.height, picture.kind)) {
        *error = "pixel buffer does not match the dimensions";
        return false;
    }
    size_t entries = picture.table.size() / 4;
    if ((picture.kind == 0 && picture.table.size() != 8) ||
        (picture.kind == 2 && (entries == 0 || entries > 256 || picture.table.size() % 4 != 0))) {
        *error = "colour table size does not suit the kind";
        return false;
    }

    std::vector<uint8_t> body;
    body.reserve(picture.pixels.size() + 1100);
    if (picture.kind == 0)
        PutBytes(&body, picture.table.data(), 8);

    bool ok = true;
    switch (picture.kind) {
    case 0:
    case 1:
        if (method == 0) {
            PutBytes(&body, picture.pixels.data(), picture.pixels.size());
        } else {
            uint32_t width = static_cast<uint32_t>(picture.width);
            size_t rowBytes = (width + 7) / 8;
            size_t count = static_cast<size_t>(width) * static_cast<uint32_t>(picture.height);
            auto bit = [&](size_t n) {
                size_t row = n / width, column = n % width;
                return (picture.pixels[row * rowBytes + column / 8] >> (7 - column % 8)) & 1;
            };
            size_t n = 0;
            while (n < count) {
                int value = bit(n);
                size_t length = 1;
                while (n + length < count && length < 128 && bit(n + length) == value)
                    ++length;
                body.push_back(static_cast<uint8_t>(((length - 1) << 1) | value));
                n += length;
            }
        }
        break;
    case 2:
    case 3:
        if (method == 0) {
            std::vector<uint8_t> table(1024, 0);
            if (picture.kind == 2)
                std::copy(picture.table.begin(), picture.table.end(), table.begin());
            PutBytes(&body, table.data(), table.size());
            PutBytes(&body, picture.pixels.data(), picture.pixels.size());
        } else {
            if (picture.kind == 2) {
                Put16(&body, static_cast<uint32_t>(entries));
                PutBytes(&body, picture.table.data(), picture.table.size());
            }
            ok = EncodeEightBitStream(picture, method, &body, error);
        }
        break;
    default:
        if (method == 0)
            PutBytes(&body, picture.pixels.data(), picture.pixels.size());
        else if (method == 1)
            ok = EncodeColourRecords(picture, &body);
        else if ((picture.kind == 4 && method == 2) || method == 3)
            ok = EncodeSpread(picture, &body);
        else
            ok = EncodeGroups(picture, &body, error);
        break;
    }
    if (!ok)
        return false;

    out->push_back('M');
    out->push_back('B');
    Put32(out, static_cast<uint32_t>(picture.width));
    Put32(out, static_cast<uint32_t>(picture.height));
    out->push_back(static_cast<uint8_t>(picture.kind));
    out->push_back(static_cast<uint8_t>(method));
    out->insert(out->end(), body.begin(), body.end());
    return true;
}

bool ReadPamFile(const char* path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgba,
                 std::string* error)
{
    std::vector<uint8_t> data;
    if (!ReadBinaryFile(path, &data)) {
        *error = std::string("cannot read ") + path;
        return false;
    }

    size_t position = 0;
    auto readLine = [&](std::string* line) {
        line->clear();
        if (position >= data.size())
            return false;
        while (position < data.size() && data[position] != '\n')
            line->push_back(static_cast<char>(data[position++]));
        ++position;
        return true;
    };
    std::string line;
    if (!readLine(&line) || line != "P7") {
        *error = "not a PAM (P7) file";
        return false;
    }
    long w = -1, h = -1, depth = -1, maxval = -1;
    for (;;) {
        if (!readLine(&line)) {
            *error = "PAM header has no ENDHDR";
            return false;
        }
        if (line == "ENDHDR")
            break;
        char name[32];
        long value;
        if (line.empty() || line[0] == '#' || line.compare(0, 8, "TUPLTYPE") == 0)
            continue;
        if (sscanf(line.c_str(), "%31s %ld", name, &value) != 2)
            continue;
        if (strcmp(name, "WIDTH") == 0) w = value;
        else if (strcmp(name, "HEIGHT") == 0) h = value;
        else if (strcmp(name, "DEPTH") == 0) depth = value;
        else if (strcmp(name, "MAXVAL") == 0) maxval = value;
    }
    if (w < 0 || h < 0 || w > 65535 || h > 65535 || depth < 1 || depth > 4 || maxval != 255) {
        *error = "PAM must have MAXVAL 255, DEPTH 1 to 4 and sane dimensions";
        return false;
    }
    size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (data.size() - position < count * depth) {
        *error = "PAM pixel data is cut short";
        return false;
    }
    rgba->assign(count * 4, 255);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = &data[position + i * depth];
        uint8_t* o = &(*rgba)[i * 4];
        if (depth <= 2) {
            o[0] = o[1] = o[2] = in[0];
            if (depth == 2)
                o[3] = in[1];
        } else {
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
            if (depth == 4)
                o[3] = in[3];
        }
    }
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
}

bool MbmPictureFromRgba(int kind, int32_t width, int32_t height, const std::vector<uint8_t>& rgba,
                        int maxColours, MbmPicture* picture, std::string* error)
{
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (kind < 0 || kind > 5 || rgba.size() != count * 4) {
        *error = "bad kind or pixel count";
        return false;
    }
    *picture = BlankMbmPicture(kind, width, height);

    // T, R, G, B of each pixel, with every fully transparent pixel alike.
    auto trgb = [&](size_t i) {
        const uint8_t* p = &rgba[i * 4];
        uint32_t t = 255u - p[3];
        if (t == 255)
            return 0xFFu;
        return t | (static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
               (static_cast<uint32_t>(p[2]) << 24);
    };
    auto luminance = [&](size_t i) {
        const uint8_t* p = &rgba[i * 4];
        return static_cast<uint8_t>((p[0] * 299u + p[1] * 587u + p[2] * 114u) / 1000u);
    };

    switch (kind) {
    case 0:
    case 2: {
        std::unordered_map<uint32_t, size_t> frequency;
        std::vector<uint32_t> order;
        for (size_t i = 0; i < count; ++i) {
            if (frequency[trgb(i)]++ == 0)
                order.push_back(trgb(i));
        }
        size_t limit = kind == 0 ? 2 : static_cast<size_t>(std::min(256, std::max(1, maxColours)));
        if (order.size() > limit) {
            *error = "the picture has " + std::to_string(order.size()) + " colours, more than " +
                     std::to_string(limit);
            return false;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return frequency[a] > frequency[b]; });
        std::unordered_map<uint32_t, uint8_t> index;
        for (size_t e = 0; e < order.size(); ++e) {
            index[order[e]] = static_cast<uint8_t>(e);
            for (int b = 0; b < 4; ++b)
                picture->table.push_back(static_cast<uint8_t>(order[e] >> (8 * b)));
        }
        if (kind == 0) {
            picture->table.resize(8, 0);
            for (size_t i = 0; i < count; ++i) {
                uint8_t bit = index[trgb(i)];
                SetMbmPixel(picture, i, &bit);
            }
        } else {
            for (size_t i = 0; i < count; ++i)
                picture->pixels[i] = index[trgb(i)];
        }
        break;
    }
    case 1:
        for (size_t i = 0; i < count; ++i) {
            uint8_t bit = luminance(i) >= 128 ? 1 : 0;
            SetMbmPixel(picture, i, &bit);
        }
        break;
    case 3:
        for (size_t i = 0; i < count; ++i)
            picture->pixels[i] = luminance(i);
        break;
    case 4:
        for (size_t i = 0; i < count * 3; ++i)
            picture->pixels[i] = rgba[i / 3 * 4 + i % 3];
        break;
    default:
        for (size_t i = 0; i < count; ++i) {
            uint32_t value = trgb(i);
            for (int b = 0; b < 4; ++b)
                picture->pixels[i * 4 + b] = static_cast<uint8_t>(value >> (8 * b));
        }
        break;
    }
    return true;
}

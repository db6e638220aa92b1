// The logo resource as built into Dusklatch.scr, and its screen bitmap under
// real GDI.
#include "logo_bitmap.h"
#include "mbm_test_support.h"
#include "resource.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

// The program loaded as a data file: its resources without running its code.
class ScopedDataModule {
public:
    explicit ScopedDataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ScopedDataModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ScopedDataModule(const ScopedDataModule&) = delete;
    ScopedDataModule& operator=(const ScopedDataModule&) = delete;
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

class ScopedBitmap {
public:
    explicit ScopedBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~ScopedBitmap()
    {
        if (bitmap_)
            DeleteObject(bitmap_);
    }
    ScopedBitmap(const ScopedBitmap&) = delete;
    ScopedBitmap& operator=(const ScopedBitmap&) = delete;
    HBITMAP Get() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

class LogoResource : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module_.Get()) << "cannot load Dusklatch.scr as data, error " << GetLastError();
        HRSRC found = FindResourceW(module_.Get(), MAKEINTRESOURCEW(IDR_LOGO), L"MBM");
        ASSERT_TRUE(found) << "no resource MBM 113";
        size_ = SizeofResource(module_.Get(), found);
        HGLOBAL loaded = LoadResource(module_.Get(), found);
        ASSERT_TRUE(loaded);
        bytes_ = static_cast<const unsigned char*>(LockResource(loaded));
        ASSERT_TRUE(bytes_);
    }

    ScopedDataModule module_{BinPath(L"Dusklatch.scr")};
    const unsigned char* bytes_ = nullptr;
    DWORD size_ = 0;
};

}  // namespace

TEST_F(LogoResource, DecodesAndEndsAtItsLastByte)
{
    MbmImage image;
    size_t used = 0;
    ASSERT_EQ(kMbmDecoded, DecodeMbmImageMeasured(image, bytes_, size_, &used));
    EXPECT_EQ(static_cast<size_t>(size_), used) << "the stream must fill the image exactly at its last byte";
    EXPECT_EQ(447, image.Width());
    EXPECT_EQ(88, image.Height());
    EXPECT_EQ(8, image.BitsPerPixel());
    EXPECT_EQ(2, bytes_[10]) << "pixel kind";
    EXPECT_EQ(3, bytes_[11]) << "method";

    uint32_t entries = bytes_[12] | (bytes_[13] << 8);
    EXPECT_GE(entries, 2u);
    EXPECT_LE(entries, 128u);

    // The background is fully transparent and the most frequent colour; the
    // lettering is dark and opaque.
    uint32_t counts[256] = {};
    for (uint32_t i = 0; i < image.PixelBytes(); ++i)
        ++counts[image.Pixels()[i]];
    int mostFrequent = 0;
    for (int i = 1; i < 256; ++i)
        if (counts[i] > counts[mostFrequent])
            mostFrequent = i;
    const uint8_t* table = image.ColourTable();
    EXPECT_EQ(255, table[mostFrequent * 4]) << "the most frequent colour is fully transparent";
    EXPECT_EQ(255, table[image.Pixels()[0] * 4]) << "top-left corner is background";
    int darkOpaque = 0;
    for (uint32_t i = 0; i < image.PixelBytes(); ++i) {
        const uint8_t* entry = table + image.Pixels()[i] * 4;
        if (entry[0] == 0 && entry[1] < 64 && entry[2] < 64 && entry[3] < 64)
            ++darkOpaque;
    }
    EXPECT_GT(darkOpaque, 2000) << "dark opaque lettering";
}

TEST_F(LogoResource, EveryShorterLengthIsRefused)
{
    // The decoder is bounded by the resource size, not by the image.
    for (DWORD length = 12; length < size_; length += 97) {
        MbmImage image;
        EXPECT_EQ(kMbmBadBody, DecodeMbmImage(image, bytes_, length)) << length;
    }
    MbmImage image;
    EXPECT_EQ(kMbmBadBody, DecodeMbmImage(image, bytes_, size_ - 1));
}

TEST_F(LogoResource, BitmapHasTheImageSizeAndTheBackgroundWhereTransparent)
{
    MbmImage image;
    ASSERT_EQ(kMbmDecoded, DecodeMbmImage(image, bytes_, size_));
    GreyMbmImage(image);
    const COLORREF background = RGB(0xD4, 0xD0, 0xC8);
    ScopedBitmap bitmap(CreateLogoBitmap(image, background));
    ASSERT_TRUE(bitmap.Get());
    BITMAP info = {};
    ASSERT_EQ(static_cast<int>(sizeof info), GetObjectW(bitmap.Get(), sizeof info, &info));
    EXPECT_EQ(447, info.bmWidth);
    EXPECT_EQ(88, info.bmHeight);

    // Read back through a memory DC: transparent corners are the background,
    // and the pixel under the darkest opaque entry is dark and grey.
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap.Get());
    EXPECT_EQ(background, GetPixel(memory, 0, 0));
    EXPECT_EQ(background, GetPixel(memory, 446, 87));
    const uint8_t* table = image.ColourTable();
    int darkest = -1;
    for (uint32_t i = 0; i < image.PixelBytes(); ++i) {
        const uint8_t* entry = table + image.Pixels()[i] * 4;
        if (entry[0] == 0 && (darkest < 0 || entry[1] < table[image.Pixels()[darkest] * 4 + 1]))
            darkest = static_cast<int>(i);
    }
    ASSERT_GE(darkest, 0);
    COLORREF dark = GetPixel(memory, darkest % 447, darkest / 447);
    EXPECT_EQ(GetRValue(dark), GetGValue(dark));
    EXPECT_EQ(GetRValue(dark), GetBValue(dark));
    EXPECT_LT(GetRValue(dark), 64);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
}

TEST(LogoBitmap, EmptyImageGivesNoBitmap)
{
    MbmImage image;
    EXPECT_EQ(NULL, CreateLogoBitmap(image, RGB(1, 2, 3)));
}

TEST(LogoBitmap, EveryDepthMakesABitmapOfItsSize)
{
    const struct {
        const char* name;
        Bytes resource;
        COLORREF topLeft;
    } kCases[] = {
        {"1-bit without table, bit 0", Concat(MbmHeader(9, 2, 1, 0), {0x00, 0, 0, 0}), RGB(255 - 10, 255 - 20, 255 - 30)},
        {"1-bit with table", Concat(MbmHeader(9, 2, 0, 0), {0, 1, 2, 3, 0, 4, 5, 6, 0x80, 0, 0, 0}), RGB(4, 5, 6)},
        {"8-bit grey 255", Concat(Concat(MbmHeader(3, 2, 3, 0), Repeat(0, 1024)), Repeat(255, 6)), RGB(10, 20, 30)},
        {"24-bit", Concat(MbmHeader(2, 2, 4, 1), {3, 200, 100, 50}), RGB(200, 100, 50)},
        {"32-bit transparent", Concat(MbmHeader(5, 3, 5, 1), {14, 255, 1, 1, 1}), RGB(10, 20, 30)},
    };
    for (const auto& c : kCases) {
        MbmImage image;
        ASSERT_EQ(kMbmDecoded, Decode(image, c.resource)) << c.name;
        ScopedBitmap bitmap(CreateLogoBitmap(image, RGB(10, 20, 30)));
        ASSERT_TRUE(bitmap.Get()) << c.name;
        BITMAP info = {};
        GetObjectW(bitmap.Get(), sizeof info, &info);
        EXPECT_EQ(image.Width(), info.bmWidth) << c.name;
        EXPECT_EQ(image.Height(), info.bmHeight) << c.name;
        HDC screen = GetDC(NULL);
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(memory, bitmap.Get());
        EXPECT_EQ(c.topLeft, GetPixel(memory, 0, 0)) << c.name;
        SelectObject(memory, previous);
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
    }
}

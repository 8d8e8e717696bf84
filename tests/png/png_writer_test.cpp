// Checks the PNG writer by reading its files back with libpng: size, format and every pixel.
#include "png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using plat::Png_Adler32;
using plat::Png_Crc32;

// A PNG read back as 0xAARRGGBB pixels (alpha 0xFF where the file has none).
struct Decoded {
    bool ok = false;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<uint32_t> pixels;
};

Decoded Decode(png_image& image, const std::vector<uint8_t>* memory, const std::string& path) {
    Decoded decoded;
    const bool begun =
        memory != nullptr ? png_image_begin_read_from_memory(&image, memory->data(), memory->size())
                          : png_image_begin_read_from_file(&image, path.c_str());
    if (!begun) return decoded;
    decoded.hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    image.format = PNG_FORMAT_BGRA;  // little-endian words 0xAARRGGBB
    decoded.width = static_cast<int>(image.width);
    decoded.height = static_cast<int>(image.height);
    decoded.pixels.resize(static_cast<size_t>(image.width) * image.height);
    decoded.ok = png_image_finish_read(&image, nullptr, decoded.pixels.data(), 0, nullptr) != 0;
    return decoded;
}
Decoded DecodeFile(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    return Decode(image, nullptr, path);
}
Decoded DecodeBytes(const std::vector<uint8_t>& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    return Decode(image, &png, "");
}

std::string TempPath(const char* name) {
    return ::testing::TempDir() + name;
}

TEST(PngChecksums, KnownValues) {
    const std::string digits = "123456789";
    EXPECT_EQ(Png_Crc32(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()),
              0xCBF43926u);
    const std::string word = "Wikipedia";
    EXPECT_EQ(Png_Adler32(reinterpret_cast<const uint8_t*>(word.data()), word.size()), 0x11E60398u);
    EXPECT_EQ(Png_Adler32(nullptr, 0), 1u);
}

TEST(PngWriter, RgbAndRgbaFilesReadBackPixelExact) {
    const uint32_t pixels[6] = {0xFF0000, 0x00FF00,   0x0000FF,   //
                                0x123456, 0xFFFFFFFF, 0x000000};  // top byte is ignored
    const std::string path = TempPath("png_writer_3x2.png");
    ASSERT_TRUE(plat::Png_WriteRgb(path, 3, 2, pixels));
    const Decoded rgb = DecodeFile(path);
    ASSERT_TRUE(rgb.ok);
    EXPECT_EQ(rgb.width, 3);
    EXPECT_EQ(rgb.height, 2);
    EXPECT_FALSE(rgb.hasAlpha);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(rgb.pixels[i], pixels[i] | 0xFF000000u) << i;

    // The top byte is each pixel's opacity.
    const uint32_t translucent[4] = {0x00000000, 0x80FF8040, 0xFF00AA00, 0x01020304};
    ASSERT_TRUE(plat::Png_WriteRgba(path, 2, 2, translucent));
    const Decoded rgba = DecodeFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(rgba.ok);
    EXPECT_TRUE(rgba.hasAlpha);
    EXPECT_EQ(rgba.pixels, std::vector<uint32_t>(translucent, translucent + 4));
}

TEST(PngWriter, ScreenSizedPicturesAreCompressedAndExact) {
    // A 640 x 480 picture in the 16 colours of a screen page, drawn in bands and cells as the
    // game's screens are: stored without compression it would take 900 KB.
    const int width = 640;
    const int height = 480;
    std::vector<uint32_t> screen(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = static_cast<uint32_t>((x / 8 + y / 16 * 3) % 16);
            screen[static_cast<size_t>(y * width + x)] = colour * 0x0F0F0F;
        }
    }
    const std::vector<uint8_t> png = plat::Png_EncodeRgb(width, height, screen.data());
    EXPECT_LT(png.size(), 40'000u);
    const Decoded decoded = DecodeBytes(png);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.pixels.size(), screen.size());
    for (size_t i = 0; i < screen.size(); ++i) {
        ASSERT_EQ(decoded.pixels[i], screen[i] | 0xFF000000u) << "pixel " << i;
    }

    // Noise does not compress, and still reads back exactly.
    std::vector<uint32_t> noise(200 * 200);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint32_t>(i * 2654435761u);
    const Decoded noisy = DecodeBytes(plat::Png_EncodeRgb(200, 200, noise.data()));
    ASSERT_TRUE(noisy.ok);
    for (size_t i = 0; i < noise.size(); ++i) {
        ASSERT_EQ(noisy.pixels[i], noise[i] | 0xFF000000u) << "pixel " << i;
    }
}

TEST(PngWriter, RefusesInvalidArguments) {
    const uint32_t pixel = 0;
    const std::string path = TempPath("png_writer_invalid.png");
    EXPECT_FALSE(plat::Png_WriteRgb(path, 0, 1, &pixel));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1, -1, &pixel));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1, 1, nullptr));
    EXPECT_FALSE(plat::Png_WriteRgba(path, 1, 1, nullptr));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1 << 20, 1 << 20, &pixel));  // far too large
    EXPECT_FALSE(std::fopen(path.c_str(), "rb")) << "no file for refused arguments";
    EXPECT_FALSE(plat::Png_WriteRgb("/nonexistent-directory/x.png", 1, 1, &pixel));
}

}  // namespace

// Checks the PNG writer byte by byte: signature, chunks, checksums and the stored picture rows.
#include "png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using plat::Png_Adler32;
using plat::Png_Crc32;

uint32_t ReadU32(const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t{bytes.at(at)} << 24) | (uint32_t{bytes.at(at + 1)} << 16) |
           (uint32_t{bytes.at(at + 2)} << 8) | uint32_t{bytes.at(at + 3)};
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// Splits a PNG file into chunks, checking each CRC on the way.
std::vector<Chunk> SplitChunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at < png.size()) {
        const uint32_t length = ReadU32(png, at);
        EXPECT_LE(at + 12 + length, png.size());
        if (at + 12 + length > png.size()) break;
        Chunk chunk;
        chunk.type.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        chunk.data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        EXPECT_EQ(ReadU32(png, at + 8 + length), Png_Crc32(png.data() + at + 4, length + 4))
            << "CRC of " << chunk.type;
        chunks.push_back(chunk);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

// Undoes a zlib stream made only of stored deflate blocks, checking header and Adler-32.
std::vector<uint8_t> InflateStored(const std::vector<uint8_t>& z) {
    std::vector<uint8_t> out;
    EXPECT_GE(z.size(), 2u + 5u + 4u);
    if (z.size() < 11) return out;
    EXPECT_EQ(z[0] & 0x0F, 8);                // deflate
    EXPECT_EQ(((z[0] << 8) | z[1]) % 31, 0);  // header check bits
    EXPECT_EQ(z[1] & 0x20, 0);                // no preset dictionary
    size_t at = 2;
    bool final_block = false;
    while (!final_block) {
        EXPECT_LT(at + 5, z.size());
        if (at + 5 >= z.size()) return out;
        final_block = (z[at] & 1) != 0;
        EXPECT_EQ(z[at] & 0x06, 0) << "not a stored block";
        const unsigned length = z[at + 1] | (z[at + 2] << 8);
        const unsigned inverse = z[at + 3] | (z[at + 4] << 8);
        EXPECT_EQ(length ^ 0xFFFFu, inverse);
        at += 5;
        EXPECT_LE(at + length, z.size());
        if (at + length > z.size()) return out;
        out.insert(out.end(), z.begin() + static_cast<std::ptrdiff_t>(at),
                   z.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    EXPECT_EQ(at + 4, z.size());
    if (at + 4 == z.size()) {
        EXPECT_EQ(ReadU32(z, at), Png_Adler32(out.data(), out.size()));
    }
    return out;
}

std::vector<uint8_t> Idat(const std::vector<Chunk>& chunks) {
    std::vector<uint8_t> z;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT") z.insert(z.end(), c.data.begin(), c.data.end());
    return z;
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

TEST(PngWriter, ThreeByTwoFile) {
    const uint32_t pixels[6] = {0xFF0000, 0x00FF00,   0x0000FF,   //
                                0x123456, 0xFFFFFFFF, 0x000000};  // top byte is ignored
    const std::string path = TempPath("png_writer_3x2.png");
    ASSERT_TRUE(plat::Png_WriteRgb(path, 3, 2, pixels));
    const std::vector<uint8_t> png = ReadFile(path);
    std::remove(path.c_str());

    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), signature);

    // IHDR comes first with its fixed length 13.
    EXPECT_EQ(ReadU32(png, 8), 13u);
    const std::vector<uint8_t> ihdr = {'I', 'H', 'D', 'R', 0, 0, 0, 3, 0, 0, 0, 2, 8, 2, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(png.begin() + 12, png.begin() + 29), ihdr);

    const std::vector<Chunk> chunks = SplitChunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_TRUE(chunks[2].data.empty());
    // The IEND chunk of every PNG ends with the same CRC.
    const std::vector<uint8_t> iend_crc = {0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(std::vector<uint8_t>(png.end() - 4, png.end()), iend_crc);

    const std::vector<uint8_t> rows = InflateStored(Idat(chunks));
    const std::vector<uint8_t> expected = {0, 0xFF, 0,    0,    0,    0xFF, 0,    0,    0,    0xFF,
                                           0, 0x12, 0x34, 0x56, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00};
    EXPECT_EQ(rows, expected);
}

TEST(PngWriter, LargePictureSpansSeveralStoredBlocks) {
    // 200 x 200 pixels make 120,200 raw bytes: two stored blocks.
    const int width = 200;
    const int height = 200;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u);
    const std::vector<uint8_t> png = plat::Png_EncodeRgb(width, height, pixels.data());
    const std::vector<uint8_t> rows = InflateStored(Idat(SplitChunks(png)));
    ASSERT_EQ(rows.size(), static_cast<size_t>(height * (1 + 3 * width)));
    for (int y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y) * (1 + 3 * width);
        ASSERT_EQ(rows[row], 0) << "filter byte of row " << y;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y * width + x)];
            const size_t at = row + 1 + 3 * static_cast<size_t>(x);
            ASSERT_EQ(rows[at], static_cast<uint8_t>(p >> 16));
            ASSERT_EQ(rows[at + 1], static_cast<uint8_t>(p >> 8));
            ASSERT_EQ(rows[at + 2], static_cast<uint8_t>(p));
        }
    }
}

TEST(PngWriter, RefusesInvalidArguments) {
    const uint32_t pixel = 0;
    const std::string path = TempPath("png_writer_invalid.png");
    EXPECT_FALSE(plat::Png_WriteRgb(path, 0, 1, &pixel));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1, -1, &pixel));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1, 1, nullptr));
    EXPECT_FALSE(plat::Png_WriteRgb(path, 1 << 20, 1 << 20, &pixel));  // far too large
    EXPECT_FALSE(std::ifstream(path).good()) << "no file for refused arguments";
    EXPECT_FALSE(plat::Png_WriteRgb("/nonexistent-directory/x.png", 1, 1, &pixel));
}

}  // namespace

// Encodes RGB pictures as PNG files with stored (uncompressed) deflate blocks.
#include "png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>

namespace plat {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Largest payload of one stored deflate block.
constexpr size_t kStoredBlockMax = 65535;

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Appends length, type, data and the CRC over type and data.
void PutChunk(std::vector<uint8_t>& out, const char (&type)[5], const std::vector<uint8_t>& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, Png_Crc32(out.data() + type_at, out.size() - type_at));
}

// The zlib stream: header, the raw bytes cut into stored blocks, and the Adler-32 trailer.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out;
    const size_t blocks = raw.empty() ? 1 : (raw.size() + kStoredBlockMax - 1) / kStoredBlockMax;
    out.reserve(raw.size() + blocks * 5 + 6);
    out.push_back(0x78);  // deflate, 32 KiB window
    out.push_back(0x01);  // no dictionary, lowest level; 0x7801 is a multiple of 31
    size_t offset = 0;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t length = std::min(kStoredBlockMax, raw.size() - offset);
        const bool final_block = (b + 1 == blocks);
        out.push_back(final_block ? 0x01 : 0x00);  // BFINAL, BTYPE 00 = stored
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    }
    PutU32(out, Png_Adler32(raw.data(), raw.size()));
    return out;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

uint32_t Png_Crc32(const uint8_t* data, size_t length, uint32_t crc) {
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) c = kCrcTable[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t Png_Adler32(const uint8_t* data, size_t length) {
    constexpr uint32_t kModulus = 65521;
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < length; ++i) {
        a = (a + data[i]) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> Png_EncodeRgb(int width, int height, const uint32_t* pixels_0xRRGGBB) {
    if (width <= 0 || height <= 0 || pixels_0xRRGGBB == nullptr) return {};
    // Keep every size well inside size_t and the 31-bit chunk length limit.
    const uint64_t row_bytes = 1 + 3 * static_cast<uint64_t>(width);
    const uint64_t raw_bytes = row_bytes * static_cast<uint64_t>(height);
    if (raw_bytes > (uint64_t{1} << 30)) return {};

    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(raw_bytes));
    const uint32_t* pixel = pixels_0xRRGGBB;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter type None
        for (int x = 0; x < width; ++x, ++pixel) {
            raw.push_back(static_cast<uint8_t>(*pixel >> 16));
            raw.push_back(static_cast<uint8_t>(*pixel >> 8));
            raw.push_back(static_cast<uint8_t>(*pixel));
        }
    }

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(width));
    PutU32(header, static_cast<uint32_t>(height));
    header.push_back(8);  // bits per sample
    header.push_back(2);  // colour type: truecolour
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method 0
    header.push_back(0);  // no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    return png;
}

bool Png_WriteRgb(const std::string& path, int width, int height, const uint32_t* pixels_0xRRGGBB) {
    const std::vector<uint8_t> png = Png_EncodeRgb(width, height, pixels_0xRRGGBB);
    if (png.empty()) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    if (std::fwrite(png.data(), 1, png.size(), file.get()) != png.size()) return false;
    // Closing flushes; a failure there is a failed write too.
    return std::fclose(file.release()) == 0;
}

}  // namespace plat

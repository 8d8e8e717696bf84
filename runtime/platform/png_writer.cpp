// Encodes RGB and RGBA pictures as compressed PNG files with libpng.
#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <memory>
#include <new>

namespace plat {
namespace {

// libpng hands the encoded bytes here; they are collected in memory.
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}
void FlushNothing(png_structp) {}

// Runs the encoder over rows already laid out as the file stores them (RGB or RGBA bytes).
// libpng leaves by longjmp on an error, so only plain values live in this frame.
bool Encode(std::vector<uint8_t>* out, int width, int height, bool alpha, const uint8_t* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_write_info(png, info);
    const size_t row_bytes = static_cast<size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rows + static_cast<size_t>(y) * row_bytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<uint8_t> EncodePixels(int width, int height, const uint32_t* pixels, bool alpha) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return {};
    // Keep every size well inside size_t and the format's limits.
    const uint64_t channels = alpha ? 4 : 3;
    const uint64_t raw_bytes =
        channels * static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (raw_bytes > (uint64_t{1} << 30)) return {};

    std::vector<uint8_t> rows;
    rows.reserve(static_cast<size_t>(raw_bytes));
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        rows.push_back(static_cast<uint8_t>(pixels[i] >> 16));
        rows.push_back(static_cast<uint8_t>(pixels[i] >> 8));
        rows.push_back(static_cast<uint8_t>(pixels[i]));
        if (alpha) rows.push_back(static_cast<uint8_t>(pixels[i] >> 24));
    }
    std::vector<uint8_t> png;
    if (!Encode(&png, width, height, alpha, rows.data())) return {};
    return png;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& png) {
    if (png.empty()) return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    if (std::fwrite(png.data(), 1, png.size(), file.get()) != png.size()) return false;
    // Closing flushes; a failure there is a failed write too.
    return std::fclose(file.release()) == 0;
}

}  // namespace

uint32_t Png_Crc32(const uint8_t* data, size_t length, uint32_t crc) {
    return static_cast<uint32_t>(::crc32_z(crc, data, length));
}

uint32_t Png_Adler32(const uint8_t* data, size_t length) {
    return static_cast<uint32_t>(::adler32_z(1, data, length));
}

std::vector<uint8_t> Png_EncodeRgb(int width, int height, const uint32_t* pixels_0xRRGGBB) {
    return EncodePixels(width, height, pixels_0xRRGGBB, false);
}

bool Png_WriteRgb(const std::string& path, int width, int height, const uint32_t* pixels_0xRRGGBB) {
    return WriteFile(path, EncodePixels(width, height, pixels_0xRRGGBB, false));
}

bool Png_WriteRgba(const std::string& path, int width, int height,
                   const uint32_t* pixels_0xAARRGGBB) {
    return WriteFile(path, EncodePixels(width, height, pixels_0xAARRGGBB, true));
}

}  // namespace plat

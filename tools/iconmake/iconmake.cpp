// iconmake SIZE OUTPUT.png: the red telephone of the window icon on a transparent square of
// SIZE pixels, each of its pixels enlarged to the same whole number of pixels and centred.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "png_writer.h"
#include "tool_usage.h"
#include "window_look.h"

namespace {

constexpr const char* kUsage =
    "usage: iconmake SIZE OUTPUT.png\n"
    "       the window icon's telephone enlarged pixel for pixel to fill a SIZE x SIZE icon\n";

uint32_t LittleEndian(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes.at(at + static_cast<size_t>(i));
    return value;
}

// The window icon: 8-bit palette indexes, bottom row first in the file, index 0 the background.
struct Icon {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indexes;   // top row first
    std::vector<uint32_t> palette;  // 0xRRGGBB
};

bool ReadIcon(Icon& icon) {
    const std::vector<uint8_t>& bmp = Look_IconBmp();
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M' || LittleEndian(bmp, 28, 2) != 8) {
        return false;
    }
    const uint32_t pixels_at = LittleEndian(bmp, 10, 4);
    icon.width = static_cast<int>(LittleEndian(bmp, 18, 4));
    icon.height = static_cast<int>(LittleEndian(bmp, 22, 4));
    const auto row_bytes = static_cast<size_t>((icon.width + 3) / 4 * 4);
    if (icon.width <= 0 || icon.height <= 0 ||
        pixels_at + row_bytes * static_cast<size_t>(icon.height) > bmp.size()) {
        return false;
    }
    for (size_t i = 0; i < 256; ++i) icon.palette.push_back(LittleEndian(bmp, 54 + 4 * i, 3));
    for (int y = icon.height - 1; y >= 0; --y) {
        const size_t row = pixels_at + row_bytes * static_cast<size_t>(y);
        icon.indexes.insert(icon.indexes.end(), bmp.begin() + static_cast<std::ptrdiff_t>(row),
                            bmp.begin() + static_cast<std::ptrdiff_t>(row) + icon.width);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    char* end = nullptr;
    const long size = argc == 3 ? std::strtol(argv[1], &end, 10) : 0;
    if (argc != 3 || end == argv[1] || *end != '\0' || size < 16 || size > 1024) {
        return Tool_Usage(kUsage, false);
    }
    Icon icon;
    if (!ReadIcon(icon)) {
        std::fprintf(stderr, "iconmake: the window icon is not an 8-bit picture\n");
        return 1;
    }

    // The telephone is what is not background; its box is enlarged as far as whole pixels go.
    int left = icon.width, top = icon.height, right = -1, bottom = -1;
    for (int y = 0; y < icon.height; ++y) {
        for (int x = 0; x < icon.width; ++x) {
            if (icon.indexes[static_cast<size_t>(y * icon.width + x)] == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return 1;
    const int side = static_cast<int>(size);
    const int box_width = right - left + 1;
    const int box_height = bottom - top + 1;
    const int scale = std::max(1, std::min(side / box_width, side / box_height));
    const int origin_x = (side - box_width * scale) / 2;
    const int origin_y = (side - box_height * scale) / 2;

    std::vector<uint32_t> pixels(static_cast<size_t>(side * side), 0);  // transparent
    for (int y = 0; y < box_height * scale && origin_y + y < side; ++y) {
        for (int x = 0; x < box_width * scale && origin_x + x < side; ++x) {
            const uint8_t index = icon.indexes[static_cast<size_t>((top + y / scale) * icon.width +
                                                                   left + x / scale)];
            if (index == 0) continue;
            pixels[static_cast<size_t>((origin_y + y) * side + origin_x + x)] =
                0xFF000000u | icon.palette[index];
        }
    }
    if (!plat::Png_WriteRgba(argv[2], side, side, pixels.data())) {
        std::fprintf(stderr, "iconmake: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

// Reads a picture of the game's screen (binary PPM on standard input, e.g. a browser canvas)
// and prints the text it shows, one UTF-8 line per row, recognised cell by cell with the
// runtime's fonts as the replay driver reads its frames. The font and the enlargement are
// the ones under which the most cells are recognised.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "cp437.h"
#include "image_page.h"
#include "screen.h"
#include "screen_snapshot.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB
};

bool ReadPpm(std::istream& in, Picture& picture) {
    std::string magic;
    int maximum = 0;
    in >> magic >> picture.width >> picture.height >> maximum;
    in.get();
    if (magic != "P6" || maximum != 255 || picture.width <= 0 || picture.height <= 0) return false;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    if (bytes.size() < count * 3) return false;
    picture.rgb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        picture.rgb[i] =
            uint32_t{bytes[3 * i]} << 16 | uint32_t{bytes[3 * i + 1]} << 8 | bytes[3 * i + 2];
    }
    return true;
}

// The picture as a page of colour numbers (black is colour 0, as the recognition expects of
// a background), taking every scale-th pixel.
ScreenSnapshot AsPage(const Picture& picture, int scale, int font) {
    ScreenSnapshot page;
    page.valid = true;
    page.width = picture.width / scale;
    page.height = picture.height / scale;
    page.font = font;
    std::map<uint32_t, uint8_t> colours{{0, 0}};
    page.pixels.reserve(static_cast<size_t>(page.width) * static_cast<size_t>(page.height));
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const uint32_t rgb =
                picture.rgb[static_cast<size_t>(y * scale) * picture.width + x * scale];
            const auto found = colours.emplace(rgb, static_cast<uint8_t>(colours.size() % 256));
            page.pixels.push_back(found.first->second);
        }
    }
    return page;
}

}  // namespace

int main() {
    Picture picture;
    if (!ReadPpm(std::cin, picture)) {
        std::fputs("usage: canvas_cells < picture.ppm (binary PPM, 8 bits per colour)\n", stderr);
        return 2;
    }
    Scr_Startup();
    std::vector<std::vector<RecognisedCell>> best;
    int best_score = -1;
    for (const int scale : {1, 2}) {
        for (const int font : {16, 14, 8}) {
            FontMetrics metrics;
            if (!Scr_FontMetrics(font, metrics)) continue;
            if (picture.width % (scale * metrics.cellWidth) != 0 ||
                picture.height % (scale * metrics.cellHeight) != 0) {
                continue;
            }
            const auto rows = Snapshot_Recognise(AsPage(picture, scale, font));
            int score = 0;
            for (const auto& row : rows) {
                for (const auto& cell : row) score += cell.glyph ? (cell.code != ' ' ? 2 : 0) : -1;
            }
            if (score > best_score) {
                best_score = score;
                best = rows;
            }
        }
    }
    for (const auto& row : best) {
        std::string bytes;
        for (const auto& cell : row) bytes += static_cast<char>(cell.code);
        std::cout << Cp437_ToUtf8(bytes) << '\n';
    }
    return best.empty() ? 1 : 0;
}

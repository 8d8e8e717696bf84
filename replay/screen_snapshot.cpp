// Snapshots of the visual page and the window, and the recognition of text from pixels.
#include "screen_snapshot.h"

#include <cstring>
#include <map>

#include "cp437.h"
#include "image_page.h"
#include "screen.h"
#include "shared_words.h"
#include "window_box.h"

namespace {

// Each glyph's pixels as bits, row after row; up to 16 x 16 cells.
struct GlyphBits {
    std::array<uint64_t, 4> words{};
    bool operator<(const GlyphBits& other) const { return words < other.words; }
    void set(int bit) { words[static_cast<size_t>(bit / 64)] |= uint64_t{1} << (bit % 64); }
};

// Which code a glyph shape is read as: printable ASCII first, then the upper half, then the
// pictograms, so that shared shapes read as their everyday character.
const std::map<GlyphBits, uint8_t>& GlyphIndex(const FontMetrics& metrics) {
    static std::map<const uint8_t*, std::map<GlyphBits, uint8_t>> indexes;  // driver-local cache
    auto& index = indexes[metrics.glyphs];
    if (!index.empty()) return index;
    std::vector<int> order;
    for (int c = 32; c < 127; ++c) order.push_back(c);
    for (int c = 128; c < 256; ++c) order.push_back(c);
    for (int c = 1; c < 32; ++c) order.push_back(c);
    order.push_back(127);
    order.push_back(0);
    for (int code : order) {
        GlyphBits bits;
        const uint8_t* glyph = metrics.glyphs + code * metrics.glyphBytes;
        for (int y = 0; y < metrics.cellHeight; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (glyph[y * 8 + x] != 0) bits.set(y * 8 + x);
            }
        }
        index.emplace(bits, static_cast<uint8_t>(code));
    }
    return index;
}

int MaskShift(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && ((mask >> shift) & 1u) == 0) ++shift;
    return shift;
}

// The window's pixels as 0xRRGGBB, whatever the surface's channel order.
void CopyWindow(const plat::VideoSurface& surface, std::vector<uint32_t>& out) {
    const size_t width = static_cast<size_t>(surface.width);
    out.resize(width * surface.height);
    const bool usual =
        surface.red_mask == 0xFF0000 && surface.green_mask == 0xFF00 && surface.blue_mask == 0xFF;
    const int red = MaskShift(surface.red_mask), green = MaskShift(surface.green_mask),
              blue = MaskShift(surface.blue_mask);
    for (int y = 0; y < surface.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            surface.pixels + static_cast<size_t>(y) * surface.pitch_bytes);
        uint32_t* to = out.data() + y * width;
        if (usual) {
            // Eight pixels at a time: only the alpha byte goes.
            using Pixels8 = uint32_t __attribute__((vector_size(32)));
            size_t x = 0;
            for (; x + 8 <= width; x += 8) {
                Pixels8 eight;
                std::memcpy(&eight, row + x, sizeof eight);
                eight &= 0xFFFFFF;
                std::memcpy(to + x, &eight, sizeof eight);
            }
            for (; x < width; ++x) to[x] = row[x] & 0xFFFFFF;
            continue;
        }
        for (size_t x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            to[x] = ((p & surface.red_mask) >> red) << 16 |
                    ((p & surface.green_mask) >> green) << 8 | ((p & surface.blue_mask) >> blue);
        }
    }
}

}  // namespace

bool Snapshot_Take(ScreenSnapshot& snapshot, SnapshotParts parts) {
    std::vector<uint8_t> pixels = std::move(snapshot.pixels);
    std::vector<uint32_t> window_pixels = std::move(snapshot.window_pixels);
    snapshot = ScreenSnapshot{};
    if (Rt_Words().modeHandshake.load(std::memory_order_acquire) != 0) return false;
    const ImagePage* page = Scr_VisualPage();
    if (page == nullptr || page->store == nullptr) return false;
    snapshot.text = page->text != 0;
    snapshot.width = page->width;
    snapshot.height = page->height;
    snapshot.font = page->font;
    const size_t bytes = static_cast<size_t>(page->width) * page->height *
                         (snapshot.text ? 2 : std::max<int>(1, page->bytesPerPixel));
    snapshot.pixels = std::move(pixels);
    snapshot.pixels.resize(bytes);
    Pix_LoadRange(snapshot.pixels.data(), page->store, bytes);
    if (page->palette != nullptr) {
        for (int i = 0; i < 256; ++i) snapshot.palette[i] = Pal_Get(*page, i);
    }
    snapshot.box_open = WindowBox_IsOpen();
    WindowBox_Contents(snapshot.box_caption, snapshot.box_text);
    const plat::VideoSurface* surface = Scr_CurrentSurface();
    if (surface != nullptr && parts == SnapshotParts::PageAndWindow) {
        snapshot.window_width = surface->width;
        snapshot.window_height = surface->height;
        snapshot.window_pixels = std::move(window_pixels);
        CopyWindow(*surface, snapshot.window_pixels);
    }
    snapshot.valid = true;
    return true;
}

std::vector<std::vector<RecognisedCell>> Snapshot_Recognise(const ScreenSnapshot& snapshot) {
    std::vector<std::vector<RecognisedCell>> rows;
    if (!snapshot.valid) return rows;
    if (snapshot.text) {
        for (int r = 0; r < snapshot.height; ++r) {
            std::vector<RecognisedCell> row;
            for (int c = 0; c < snapshot.width; ++c) {
                const size_t at = (static_cast<size_t>(r) * snapshot.width + c) * 2;
                RecognisedCell cell;
                cell.code = snapshot.pixels[at] == 0 ? ' ' : snapshot.pixels[at];
                cell.foreground = snapshot.pixels[at + 1] & 0x0F;
                cell.background = (snapshot.pixels[at + 1] >> 4) & 0x07;
                cell.glyph = true;
                row.push_back(cell);
            }
            rows.push_back(row);
        }
        return rows;
    }
    FontMetrics metrics;
    if (!Scr_FontMetrics(snapshot.font, metrics) || metrics.doubleWidth) return rows;
    const auto& index = GlyphIndex(metrics);
    const int columns = snapshot.width / metrics.cellWidth;
    const int text_rows = snapshot.height / metrics.cellHeight;
    for (int r = 0; r < text_rows; ++r) {
        std::vector<RecognisedCell> row;
        for (int c = 0; c < columns; ++c) {
            RecognisedCell cell;
            int colours[2] = {-1, -1};
            bool too_many = false;
            GlyphBits first_colour;
            for (int y = 0; y < metrics.cellHeight && !too_many; ++y) {
                for (int x = 0; x < 8; ++x) {
                    const size_t at = static_cast<size_t>(r * metrics.cellHeight + y) * snapshot.width +
                                      static_cast<size_t>(c * metrics.cellWidth + x);
                    const int colour = snapshot.pixels[at];
                    if (colours[0] < 0 || colour == colours[0]) {
                        colours[0] = colour;
                        first_colour.set(y * 8 + x);
                    } else if (colours[1] < 0 || colour == colours[1]) {
                        colours[1] = colour;
                    } else {
                        too_many = true;
                        break;
                    }
                }
            }
            if (too_many) {
                cell.code = '?';
            } else if (colours[1] < 0) {
                // One colour: a blank, or a full block when it is not the background colour 0.
                cell.glyph = true;
                cell.code = colours[0] == 0 ? ' ' : 0xDB;
                cell.foreground = colours[0];
                cell.background = colours[0];
            } else {
                GlyphBits second_colour;
                for (size_t w = 0; w < first_colour.words.size(); ++w) {
                    second_colour.words[w] = ~first_colour.words[w];
                }
                const int bits = metrics.cellHeight * 8;
                for (int b = bits; b < 256; ++b) {
                    second_colour.words[static_cast<size_t>(b / 64)] &= ~(uint64_t{1} << (b % 64));
                }
                // A shape and its inverse may both be glyphs (bullet and inverse bullet, upper
                // and lower half block): the background is colour 0 when one of the two is, as
                // the game draws on colour 0; otherwise the colour covering more of the cell.
                int count_first = 0;
                for (const uint64_t word : first_colour.words) count_first += __builtin_popcountll(word);
                bool first_is_background = count_first * 2 > bits;
                if (colours[0] == 0) first_is_background = true;
                if (colours[1] == 0) first_is_background = false;
                const GlyphBits& as_foreground = first_is_background ? second_colour : first_colour;
                const GlyphBits& as_background = first_is_background ? first_colour : second_colour;
                const int foreground = first_is_background ? colours[1] : colours[0];
                const int background = first_is_background ? colours[0] : colours[1];
                if (auto hit = index.find(as_foreground); hit != index.end()) {
                    cell = {hit->second, foreground, background, true};
                } else if (auto other = index.find(as_background); other != index.end()) {
                    cell = {other->second, background, foreground, true};
                } else {
                    cell.code = '?';
                }
            }
            row.push_back(cell);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Snapshot_TextRows(const ScreenSnapshot& snapshot) {
    std::vector<std::string> rows;
    for (const auto& row : Snapshot_Recognise(snapshot)) {
        std::string bytes;
        for (const auto& cell : row) bytes += static_cast<char>(cell.code);
        rows.push_back(Cp437_ToUtf8(bytes));
    }
    if (snapshot.box_open) {
        rows.push_back("[" + snapshot.box_caption + "]");
        std::string line;
        for (char c : snapshot.box_text) {
            if (c == '\n') {
                rows.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        rows.push_back(line);
    }
    return rows;
}

// Scr_Present: the visual page converted into the window, with full screen, blinking and
// change detection; only what changed is converted and shown.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform.h"
#include "screen.h"
#include "screen_state.h"
#include "shared_words.h"

namespace {

constexpr uint32_t kRedMask = 0xFF0000;
constexpr uint32_t kGreenMask = 0xFF00;
constexpr uint32_t kBlueMask = 0xFF;
// Full-screen states: 0 the window, 1 and 2 the closest listed size and the closest listed 4:3
// size, 3 the desktop's own size (when the player asked for it instead of the listed sizes).
constexpr int kWindowed = 0;
constexpr int kDesktopFullScreen = 3;
// More separate changed bands than this are shown as one rectangle around them all: each
// rectangle is a request to the display.
constexpr size_t kMostRects = 16;

// The changed pixels of one page row: columns first .. last - 1; none when last <= first.
struct Span {
    int first = 0;
    int last = 0;
    bool empty() const { return last <= first; }
};

// Everything the presenter remembers between frames. Start-up thread only, except the
// request for a complete frame, which any thread may raise.
struct Presenter {
    uint32_t frame = 0;
    int fullScreenState = kWindowed;
    std::vector<plat::ScreenSize> sizes;
    bool anySize = false;
    bool sizesKnown = false;
    // The desktop's size, asked once at the first frame, which also takes the starting state.
    plat::ScreenSize desktop;
    bool started = false;

    plat::VideoSurface* surface = nullptr;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    bool surfaceFull = false;
    int scale = 1;
    int offsetX = 0;
    int offsetY = 0;
    // How the surface stores a colour: as it is (0xAARRGGBB, alpha included) when its masks
    // are the usual ones, else its red, green and blue bytes moved to where its masks say.
    bool nativeFormat = true;
    int redShift = 16;
    int greenShift = 8;
    int blueShift = 0;

    bool complete = false;
    uint32_t generation = 0;
    const ImagePage* lastPage = nullptr;
    uint32_t updates = 0;

    // The last presented palette, its colours as the surface stores them, and the same for
    // two neighbouring pixels of colours 0-15 at once (index: first | second << 4).
    uint32_t savedPalette[256] = {};
    uint32_t colours[256] = {};
    uint64_t pairs[256] = {};
    // Palette pages: the last presented pixel bytes.
    std::vector<uint8_t> savedPixels;
    // Text pages: the last presented cells, cursor and blink phases.
    std::vector<uint8_t> savedCells;
    int blinkingCells = 0;  // saved cells whose attribute blinks
    std::vector<uint8_t> cells;
    int lastCursorX = -1;
    int lastCursorY = -1;
    int lastCursorPhase = -1;
    int lastBlinkPhase = -1;
    uint32_t lastCursorShape = 0;

    // This frame: the changed span of every page pixel row, the rectangles of the surface
    // to show, and a row of converted pixels.
    std::vector<Span> changed;
    std::vector<plat::SurfaceRect> rects;
    std::vector<uint32_t> line;
};

// Runtime table: the presenter's memory of what the window shows (start-up thread).
Presenter g_presenter;
// Raised by Scr_ForceCompleteFrame from any thread, taken by the presenter.
std::atomic<int32_t> g_forceComplete{0};

// The surface's pixels and the part of the page that lands on it whole.
struct Target {
    uint32_t* pixels = nullptr;
    size_t pitch = 0;  // in pixels
    int width = 0;
    int height = 0;
    int scale = 1;
    int offsetX = 0;
    int offsetY = 0;
    int firstColumn = 0;  // page columns firstColumn .. endColumn - 1 are drawn
    int endColumn = 0;
    int firstRow = 0;  // page rows likewise
    int endRow = 0;
};

// The page pixels p with 0 <= offset + p * scale and offset + (p + 1) * scale <= size.
void Visible(int offset, int scale, int size, int page_size, int& first, int& end) {
    first = offset >= 0 ? 0 : (-offset + scale - 1) / scale;
    end = size - offset < 0 ? 0 : std::min(page_size, (size - offset) / scale);
}

Target CurrentTarget(const Presenter& p, int page_width, int page_height) {
    Target t;
    t.pixels = reinterpret_cast<uint32_t*>(p.surface->pixels);
    t.pitch = static_cast<size_t>(p.surface->pitch_bytes / 4);
    t.width = std::min(p.surfaceWidth, p.surface->width);
    t.height = std::min(p.surfaceHeight, p.surface->height);
    t.scale = p.scale;
    t.offsetX = p.offsetX;
    t.offsetY = p.offsetY;
    Visible(p.offsetX, p.scale, t.width, page_width, t.firstColumn, t.endColumn);
    Visible(p.offsetY, p.scale, t.height, page_height, t.firstRow, t.endRow);
    return t;
}

uint32_t* At(const Target& t, int x, int y) {
    return t.pixels + static_cast<size_t>(t.offsetY + y * t.scale) * t.pitch + t.offsetX +
           x * t.scale;
}

// The top row of count squares N pixels wide: each colour N times.
template <int N, typename ColourOf>
void SpreadRow(uint32_t* out, int count, ColourOf colour_of) {
    for (int i = 0; i < count; ++i, out += N) {
        const uint32_t colour = colour_of(i);
        for (int k = 0; k < N; ++k) out[k] = colour;
    }
}

// Draws count page pixels (colour_of(0) .. colour_of(count - 1)) from `out` on as squares of
// scale x scale surface pixels: the first surface row, then its copies below it. Scale 1 does
// not come here.
template <typename ColourOf>
void PutSquares(const Target& t, uint32_t* out, int count, ColourOf colour_of) {
    switch (t.scale) {
        case 2:
            SpreadRow<2>(out, count, colour_of);
            break;
        case 3:
            SpreadRow<3>(out, count, colour_of);
            break;
        case 4:
            SpreadRow<4>(out, count, colour_of);
            break;
        default:
            for (int i = 0; i < count; ++i) std::fill_n(out + i * t.scale, t.scale, colour_of(i));
            break;
    }
    const size_t bytes = static_cast<size_t>(count) * t.scale * 4;
    for (int r = 1; r < t.scale; ++r) std::memcpy(out + r * t.pitch, out, bytes);
}

// Writes n converted pixels of page row y from column x on, scaled, leaving out what does not
// land on the surface.
void WriteLine(const Target& t, int x, int y, const uint32_t* line, int n) {
    if (y < t.firstRow || y >= t.endRow) return;
    const int from = std::max(x, t.firstColumn);
    const int to = std::min(x + n, t.endColumn);
    if (from >= to) return;
    uint32_t* out = At(t, from, y);
    const uint32_t* in = line + (from - x);
    if (t.scale == 1) {
        std::memcpy(out, in, static_cast<size_t>(to - from) * 4);
        return;
    }
    PutSquares(t, out, to - from, [in](int i) { return in[i]; });
}

uint32_t ToSurface(const Presenter& p, uint32_t colour) {
    if (p.nativeFormat) return colour;
    return ((colour >> 16) & 0xFF) << p.redShift | ((colour >> 8) & 0xFF) << p.greenShift |
           (colour & 0xFF) << p.blueShift;
}

// The saved palette's colours as the surface stores them, single and in pairs.
void BuildColours(Presenter& p) {
    for (int i = 0; i < 256; ++i) p.colours[i] = ToSurface(p, p.savedPalette[i]);
    for (int i = 0; i < 256; ++i) {
        const uint32_t two[2] = {p.colours[i & 15], p.colours[i >> 4]};
        std::memcpy(&p.pairs[i], two, sizeof two);
    }
}

void MarkRows(Presenter& p, int rows, Span span) {
    p.changed.assign(static_cast<size_t>(rows), span);
}

void MarkCell(Presenter& p, int x0, int y0, int width, int height) {
    for (int y = y0; y < y0 + height; ++y) {
        Span& span = p.changed[static_cast<size_t>(y)];
        if (span.empty()) {
            span = {x0, x0 + width};
        } else {
            span.first = std::min(span.first, x0);
            span.last = std::max(span.last, x0 + width);
        }
    }
}

// The closest listed full-screen size for a page (width > 639, at least the needed size);
// `four_three` keeps only sizes with width / 4 == height / 3. Later sizes win ties.
bool Closest(const Presenter& p, int needed_width, int needed_height, bool four_three,
             plat::ScreenSize& best) {
    std::vector<plat::ScreenSize> candidates = p.sizes;
    if (candidates.empty() && p.anySize) candidates.push_back({needed_width, needed_height});
    bool found = false;
    int best_distance = 0;
    for (const plat::ScreenSize& size : candidates) {
        if (size.width <= 639 || size.width < needed_width || size.height < needed_height) continue;
        if (four_three && size.width / 4 != size.height / 3) continue;
        const int distance = size.width + size.height - needed_width - needed_height;
        if (!found || distance <= best_distance) {
            best = size;
            best_distance = distance;
            found = true;
        }
    }
    return found;
}

void ShowMouse(bool visible) {
    plat::Window* window = plat::Plat().window;
    if (window != nullptr) window->show_cursor(visible);
}

// The rows of the text cursor in a cell of height h, from its start and end scan lines.
bool CursorRows(int s, int e, int h, int& first, int& last) {
    const int bottom = h - 2;
    if (e == 0 && s == 0) {
        first = last = 0;
    } else if (e == 0) {
        return false;
    } else if (e < s) {
        first = e, last = h - 1;
    } else if (s == e) {
        first = last = s <= 3 ? s : bottom;
    } else if (s < 2) {
        first = s, last = e <= 3 ? e : h - 1;
    } else if (s == 2 && e == 3) {
        first = 2, last = 3;
    } else if (s == 2 && e == 4) {
        first = bottom - 2, last = bottom;
    } else if (s == 2) {
        first = 2, last = h - 1;
    } else if (e == s + 1) {
        first = bottom - 1, last = bottom;
    } else if (e == s + 2) {
        first = bottom - 2, last = bottom;
    } else {
        first = h - h / 2, last = h - 1;
    }
    first = std::max(first, 0);
    last = std::min(last, h - 1);
    return first < h && first <= last;
}

// Takes one row of shared pixel bytes into its saved copy, eight at a time where the row lies
// on word boundaries; returns where it changed (whole words), none when nowhere.
Span TakeRow(uint8_t* saved, const uint8_t* shared, int count) {
    Span span;
    auto changed = [&span](int from, int to) {
        if (span.last == 0) span.first = from;
        span.last = to;
    };
    auto saved_word = [saved](int at) {
        uint64_t word;
        std::memcpy(&word, saved + at, 8);
        return word;
    };
    int i = 0;
    for (; i < count && (reinterpret_cast<uintptr_t>(shared + i) & 7) != 0; ++i) {
        const uint8_t byte = Pix_Load(shared + i);
        if (byte != saved[i]) saved[i] = byte, changed(i, i + 1);
    }
    // Equal words are passed over four at a time; the first block with a difference and all
    // after it are taken word by word.
    if (span.empty()) {
        for (; i + 32 <= count; i += 32) {
            const uint64_t difference = (Pix_Load64(shared + i) ^ saved_word(i)) |
                                        (Pix_Load64(shared + i + 8) ^ saved_word(i + 8)) |
                                        (Pix_Load64(shared + i + 16) ^ saved_word(i + 16)) |
                                        (Pix_Load64(shared + i + 24) ^ saved_word(i + 24));
            if (difference != 0) break;
        }
    }
    for (; i + 8 <= count; i += 8) {
        const uint64_t word = Pix_Load64(shared + i);
        if (word != saved_word(i)) {
            std::memcpy(saved + i, &word, 8);
            changed(i, i + 8);
        }
    }
    for (; i < count; ++i) {
        const uint8_t byte = Pix_Load(shared + i);
        if (byte != saved[i]) saved[i] = byte, changed(i, i + 1);
    }
    return span;
}

// Converts columns x0 .. x1 - 1 of one row of saved pixel bytes through the saved palette.
// Eight pixels of colours 0-15 (the usual case) take four look-ups of pairs.
void ConvertRow(const Presenter& p, const Target& t, const uint8_t* in, int y, int x0, int x1) {
    if (y < t.firstRow || y >= t.endRow) return;
    x0 = std::max(x0, t.firstColumn);
    x1 = std::min(x1, t.endColumn);
    if (x0 >= x1) return;
    uint32_t* out = At(t, x0, y);
    if (t.scale != 1) {
        const uint8_t* from = in + x0;
        PutSquares(t, out, x1 - x0, [&p, from](int i) { return p.colours[from[i]]; });
        return;
    }
    constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
    int x = x0;
    for (; x + 8 <= x1; x += 8, out += 8) {
        uint64_t eight;
        std::memcpy(&eight, in + x, 8);
        if ((eight & kHighNibbles) == 0) {
            // Byte 2k of `packed` is pixel 2k | pixel 2k+1 << 4 (every pixel is below 16).
            const uint64_t packed = eight | eight >> 4;
            std::memcpy(out, &p.pairs[packed & 0xFF], 8);
            std::memcpy(out + 2, &p.pairs[(packed >> 16) & 0xFF], 8);
            std::memcpy(out + 4, &p.pairs[(packed >> 32) & 0xFF], 8);
            std::memcpy(out + 6, &p.pairs[(packed >> 48) & 0xFF], 8);
        } else {
            for (int k = 0; k < 8; ++k) out[k] = p.colours[in[x + k]];
        }
    }
    for (; x < x1; ++x) *out++ = p.colours[in[x]];
}

bool DrawPalettePage(Presenter& p, const Target& t, ImagePage& page) {
    const int width = page.width;
    const int height = page.height;
    const size_t count = static_cast<size_t>(width) * height;
    if (page.mode == 10) {
        // Mode 10 blinks through its colour table: entries 0-3 follow the indices in 4-7.
        plat::Clock* clock = plat::Plat().clock;
        const int phase = clock != nullptr ? static_cast<int>((clock->ticks_ms() >> 9) & 1) : 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t index = Pal_Get(page, 4 + i) % 9;
            Pal_Set(page, i, Scr_BlinkColour(phase, static_cast<int>(index)));
        }
    }
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = Pal_Get(page, i);
    const int compared = page.bitsPerPixel >= 8 ? 256 : 1 << page.bitsPerPixel;
    const bool palette_same =
        std::memcmp(palette, p.savedPalette, sizeof(uint32_t) * compared) == 0;
    // Taken before the page is read: whatever is drawn from now on raises it again.
    const bool written = Pix_TakeWritten();
    const bool redraw_all = !p.complete || p.savedPixels.size() != count;
    if (!redraw_all && !written && palette_same) return false;

    if (redraw_all) {
        p.savedPixels.resize(count);
        Pix_LoadRange(p.savedPixels.data(), page.store, count);
        MarkRows(p, height, {0, width});
    } else {
        MarkRows(p, height, {});
        bool any = false;
        for (int y = 0; y < height; ++y) {
            const size_t at = static_cast<size_t>(y) * width;
            const Span span = TakeRow(p.savedPixels.data() + at, page.store + at, width);
            p.changed[static_cast<size_t>(y)] = span;
            any = any || !span.empty();
        }
        if (!any && palette_same) return false;
    }
    // Any other colour (even of an index beyond the mode's colours) redraws every pixel.
    if (redraw_all || std::memcmp(palette, p.savedPalette, sizeof(palette)) != 0) {
        std::memcpy(p.savedPalette, palette, sizeof(palette));
        BuildColours(p);
        MarkRows(p, height, {0, width});
    }
    for (int y = 0; y < height; ++y) {
        const Span span = p.changed[static_cast<size_t>(y)];
        if (span.empty()) continue;
        ConvertRow(p, t, p.savedPixels.data() + static_cast<size_t>(y) * width, y, span.first,
                   span.last);
    }
    return true;
}

bool DrawTrueColourPage(Presenter& p, const Target& t, const ImagePage& page) {
    p.line.resize(page.width);
    for (int y = 0; y < page.height; ++y) {
        const uint8_t* row = page.store + static_cast<size_t>(y) * page.width * 4;
        for (int x = 0; x < page.width; ++x) p.line[x] = ToSurface(p, Pix_Load32(row + x * 4));
        WriteLine(t, 0, y, p.line.data(), page.width);
    }
    MarkRows(p, page.height, {0, page.width});
    return true;
}

// A glyph row of eight pixels, eight pixels of the surface and a mask over them, as vectors.
using Glyph8 = uint8_t __attribute__((vector_size(8)));
using Pixels8 = uint32_t __attribute__((vector_size(32)));
using Mask8 = int32_t __attribute__((vector_size(32)));

// Draws one text cell: its glyph in its colours, and the cursor's lines over it.
void DrawCell(Presenter& p, const Target& t, const FontMetrics& font, const uint8_t* glyph, int x0,
              int y0, uint32_t foreground, uint32_t background, int cursor_first, int cursor_last,
              uint32_t cursor_colour) {
    const bool whole = t.scale == 1 && !font.doubleWidth && font.cellWidth == 8 &&
                       x0 >= t.firstColumn && x0 + 8 <= t.endColumn && y0 >= t.firstRow &&
                       y0 + font.cellHeight <= t.endRow;
    // Set glyph pixels take the foreground, without a branch per pixel.
    const uint32_t difference = foreground ^ background;
    uint32_t line[16];
    for (int y = 0; y < font.cellHeight; ++y) {
        const uint8_t* bits = glyph + y * 8;
        // The usual cell goes straight into the surface.
        uint32_t* out = whole ? At(t, x0, y0 + y) : line;
        if (y >= cursor_first && y <= cursor_last) {
            std::fill_n(out, font.cellWidth, cursor_colour);
        } else if (!font.doubleWidth) {
            // Eight pixels at once: all bits set where the glyph is.
            Glyph8 row;
            std::memcpy(&row, bits, sizeof row);
            const Pixels8 set = reinterpret_cast<Pixels8>(__builtin_convertvector(row != 0, Mask8));
            const Pixels8 pixels = background ^ (difference & set);
            std::memcpy(out, &pixels, sizeof pixels);
        } else {
            for (int x = 0; x < 16; ++x) {
                out[x] = background ^ (difference & (0u - static_cast<uint32_t>(bits[x / 2] != 0)));
            }
        }
        if (!whole) WriteLine(t, x0, y0 + y, line, font.cellWidth);
    }
    MarkCell(p, x0, y0, font.cellWidth, font.cellHeight);
}

bool DrawTextPage(Presenter& p, const Target& t, const ImagePage& page) {
    FontMetrics font;
    if (!Scr_FontMetrics(page.font, font)) return false;
    const int columns = page.width;
    const int rows = page.height;
    bool redraw_all = !p.complete;
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = Pal_Get(page, i);
    if (redraw_all || std::memcmp(palette, p.savedPalette, sizeof(palette)) != 0) {
        redraw_all = true;
        std::memcpy(p.savedPalette, palette, sizeof(palette));
        BuildColours(p);
    }
    const size_t cell_bytes = static_cast<size_t>(columns) * rows * 2;
    if (p.savedCells.size() != cell_bytes) {
        p.savedCells.assign(cell_bytes, 0);
        p.blinkingCells = 0;
        redraw_all = true;
    }

    int cursor_x = page.cursorColumn - 1;
    int cursor_y = page.cursorRow - 1;
    if (page.pendingNewline == 2 && page.cursorRow != rows) {
        cursor_x = 0;
        cursor_y = page.cursorRow;
    }
    const bool cursor_visible = page.cursorVisible != 0;
    const int start_line = page.cursorStartLine;
    const int end_line = page.cursorEndLine;
    const uint32_t shape = (cursor_visible ? 1u : 0u) | static_cast<uint32_t>(start_line) << 8 |
                           static_cast<uint32_t>(end_line) << 16;
    const int cursor_phase = static_cast<int>((p.frame >> 2) & 1);
    const int blink_phase = static_cast<int>((p.frame >> 3) & 1);
    const bool cursor_moved =
        cursor_x != p.lastCursorX || cursor_y != p.lastCursorY || shape != p.lastCursorShape;
    const bool cursor_phase_changed = cursor_phase != p.lastCursorPhase;
    const bool blink_phase_changed = blink_phase != p.lastBlinkPhase;
    const int old_cursor_x = p.lastCursorX;
    const int old_cursor_y = p.lastCursorY;
    p.lastCursorX = cursor_x;
    p.lastCursorY = cursor_y;
    p.lastCursorShape = shape;
    p.lastCursorPhase = cursor_phase;
    p.lastBlinkPhase = blink_phase;

    // Taken before the cells are read: whatever is written from now on raises it again.
    const bool written = Pix_TakeWritten();
    const bool same_look = !redraw_all && !cursor_moved &&
                           !(cursor_visible && cursor_phase_changed) &&
                           !(blink_phase_changed && p.blinkingCells > 0);
    if (same_look && !written) return false;
    p.cells.resize(cell_bytes);
    Pix_LoadRange(p.cells.data(), page.store, cell_bytes);
    if (same_look && std::memcmp(p.cells.data(), p.savedCells.data(), cell_bytes) == 0) {
        return false;
    }
    MarkRows(p, rows * font.cellHeight, {});
    bool changed = false;
    for (int cy = 0; cy < rows; ++cy) {
        for (int cx = 0; cx < columns; ++cx) {
            const size_t at = (static_cast<size_t>(cy) * columns + cx) * 2;
            const uint8_t character = p.cells[at];
            const uint8_t attribute = p.cells[at + 1];
            const bool is_cursor = cx == cursor_x && cy == cursor_y;
            const bool was_cursor = cx == old_cursor_x && cy == old_cursor_y;
            const bool skip =
                !redraw_all && character == p.savedCells[at] && attribute == p.savedCells[at + 1] &&
                ((attribute & 0x80) == 0 || !blink_phase_changed) &&
                !(is_cursor && ((cursor_visible && cursor_phase_changed) || cursor_moved)) &&
                !(was_cursor && cursor_moved);
            if (skip) continue;
            p.blinkingCells += ((attribute >> 7) & 1) - ((p.savedCells[at + 1] >> 7) & 1);
            p.savedCells[at] = character;
            p.savedCells[at + 1] = attribute;
            changed = true;

            const uint32_t background = p.colours[(attribute >> 4) & 7];
            const bool hidden = (attribute & 0x80) != 0 && blink_phase == 1;
            const uint32_t foreground = hidden ? background : p.colours[attribute & 15];
            int first = 0, last = -1;
            if (!(is_cursor && cursor_visible && cursor_phase == 1 &&
                  CursorRows(start_line, end_line, font.cellHeight, first, last))) {
                first = 0, last = -1;
            }
            DrawCell(p, t, font, font.glyphs + static_cast<size_t>(character) * font.glyphBytes,
                     cx * font.cellWidth, cy * font.cellHeight, foreground, background, first, last,
                     p.colours[attribute & 15]);
        }
    }
    return changed;
}

int MaskShift(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Where the changed rows lie on the surface: one rectangle per band of neighbouring changed
// rows, as wide as their changes; a single one around them all when there are many.
void CollectRects(Presenter& p, const Target& t) {
    p.rects.clear();
    const int rows = static_cast<int>(p.changed.size());
    for (int y = 0; y < rows;) {
        if (p.changed[static_cast<size_t>(y)].empty()) {
            ++y;
            continue;
        }
        const int top = y;
        Span band = p.changed[static_cast<size_t>(y)];
        for (; y < rows && !p.changed[static_cast<size_t>(y)].empty(); ++y) {
            band.first = std::min(band.first, p.changed[static_cast<size_t>(y)].first);
            band.last = std::max(band.last, p.changed[static_cast<size_t>(y)].last);
        }
        const int x0 = std::max(band.first, t.firstColumn), x1 = std::min(band.last, t.endColumn);
        const int y0 = std::max(top, t.firstRow), y1 = std::min(y, t.endRow);
        if (x0 >= x1 || y0 >= y1) continue;
        p.rects.push_back({t.offsetX + x0 * t.scale, t.offsetY + y0 * t.scale, (x1 - x0) * t.scale,
                           (y1 - y0) * t.scale});
    }
    if (p.rects.size() > kMostRects) {
        plat::SurfaceRect all = p.rects.front();
        for (const plat::SurfaceRect& r : p.rects) {
            const int right = std::max(all.x + all.width, r.x + r.width);
            all.x = std::min(all.x, r.x);
            all.width = right - all.x;
        }
        all.height = p.rects.back().y + p.rects.back().height - all.y;
        p.rects.assign(1, all);
    }
}

void GrantModeChange() {
    SharedWords& words = Rt_Words();
    int32_t requested = 1;
    if (words.modeHandshake.compare_exchange_strong(requested, 2, std::memory_order_acq_rel)) {
        plat::Clock* clock = plat::Plat().clock;
        if (clock != nullptr) clock->delay_ms(0);
    }
}

}  // namespace

void Scr_ResetPresenter() {
    g_presenter = Presenter{};
    g_forceComplete.store(0, std::memory_order_relaxed);
}

void Scr_SetFullScreenSizes(const std::vector<plat::ScreenSize>& sizes, bool any_size) {
    g_presenter.sizes = sizes;
    g_presenter.anySize = any_size;
    g_presenter.sizesKnown = true;
}

plat::VideoSurface* Scr_CurrentSurface() {
    return g_presenter.surface;
}

void Scr_ForceCompleteFrame() {
    g_forceComplete.store(1, std::memory_order_release);
}

PresentGeometry Scr_PresentGeometry() {
    PresentGeometry g;
    g.surfaceWidth = g_presenter.surfaceWidth;
    g.surfaceHeight = g_presenter.surfaceHeight;
    g.scale = g_presenter.scale;
    g.offsetX = g_presenter.offsetX;
    g.offsetY = g_presenter.offsetY;
    g.fullScreenState = g_presenter.fullScreenState;
    g.frames = g_presenter.frame;
    g.updates = g_presenter.updates;
    return g;
}

uint32_t Scr_PresentedPixel(int x, int y) {
    const Presenter& p = g_presenter;
    if (p.surface == nullptr || x < 0 || y < 0 || x >= p.surfaceWidth || y >= p.surfaceHeight)
        return 0;
    const plat::VideoSurface& s = *p.surface;
    const uint32_t v =
        reinterpret_cast<const uint32_t*>(s.pixels + static_cast<size_t>(y) * s.pitch_bytes)[x];
    return ((v & s.red_mask) >> MaskShift(s.red_mask)) << 16 |
           ((v & s.green_mask) >> MaskShift(s.green_mask)) << 8 |
           ((v & s.blue_mask) >> MaskShift(s.blue_mask));
}

void Scr_Present() {
    Presenter& p = g_presenter;
    SharedWords& words = Rt_Words();
    ++p.frame;
    if (words.modeHandshake.load(std::memory_order_acquire) == 1) {
        GrantModeChange();
        return;
    }
    if (words.modeHandshake.load(std::memory_order_acquire) != 0) return;
    ImagePage* page = Scr_State().visualPage.load(std::memory_order_acquire);
    plat::Window* window = plat::Plat().window;
    if (page == nullptr || window == nullptr) return;

    const uint32_t generation = Scr_State().screenGeneration.load(std::memory_order_acquire);
    if (generation != p.generation || page != p.lastPage ||
        g_forceComplete.exchange(0, std::memory_order_acq_rel) != 0) {
        p.generation = generation;
        p.lastPage = page;
        p.complete = false;
    }
    if (!p.sizesKnown) {
        p.sizes = window->full_screen_sizes(p.anySize);
        p.sizesKnown = true;
    }
    const plat::DisplayOptions& options = plat::Plat().display;
    const int window_scale = std::clamp(options.window_scale, 1, plat::kMaxWindowScale);
    const bool desktop_wanted = options.desktop_full_screen;
    const bool starting = !p.started;
    if (starting) {
        p.started = true;
        if (desktop_wanted) p.desktop = window->desktop_size();
    }

    // Page size in pixels.
    int page_width = page->width;
    int page_height = page->height;
    if (page->text != 0) {
        FontMetrics font;
        if (!Scr_FontMetrics(page->font, font)) return;
        page_width *= font.cellWidth;
        page_height *= font.cellHeight;
    }
    const bool small = page_width <= 512 && page_height <= 384;
    const int needed_width = small ? page_width * 2 : page_width;
    const int needed_height = small ? page_height * 2 : page_height;
    plat::ScreenSize closest, closest43;
    const bool has_closest = Closest(p, needed_width, needed_height, false, closest);
    const bool has_closest43 = Closest(p, needed_width, needed_height, true, closest43);
    // The largest whole scale at which the page fits on the desktop; 0 when it does not fit
    // or the desktop's size is unknown.
    const int desktop_scale =
        desktop_wanted && page_width > 0 && page_height > 0
            ? std::min(p.desktop.width / page_width, p.desktop.height / page_height)
            : 0;

    // One full-screen request per frame.
    const int previous_state = p.fullScreenState;
    if (starting && desktop_scale > 0) p.fullScreenState = kDesktopFullScreen;
    int32_t requests = words.fullScreenRequests.load(std::memory_order_acquire);
    while (requests > 0 && !words.fullScreenRequests.compare_exchange_weak(
                               requests, requests - 1, std::memory_order_acq_rel)) {
    }
    if (requests > 0 && desktop_wanted) {
        p.fullScreenState =
            p.fullScreenState == kWindowed && desktop_scale > 0 ? kDesktopFullScreen : kWindowed;
    } else if (requests > 0) {
        const bool distinct43 =
            has_closest43 && (!has_closest || closest43.width != closest.width ||
                              closest43.height != closest.height);
        if (p.fullScreenState == 0) {
            if (has_closest) p.fullScreenState = 1;
        } else if (p.fullScreenState == 1) {
            p.fullScreenState = distinct43 ? 2 : 0;
        } else {
            p.fullScreenState = 0;
        }
    }
    // A page whose size no listed size can hold goes back to the window.
    if (p.fullScreenState == 2 && !has_closest43) p.fullScreenState = has_closest ? 1 : 0;
    if (p.fullScreenState == 1 && !has_closest) p.fullScreenState = 0;
    if (p.fullScreenState == kDesktopFullScreen && desktop_scale == 0) p.fullScreenState = 0;
    if (p.fullScreenState != previous_state) {
        if (previous_state == 0) ShowMouse(false);
        if (p.fullScreenState == 0) ShowMouse(true);
    }

    // Geometry.
    int surface_width = page_width * window_scale, surface_height = page_height * window_scale;
    p.scale = window_scale;
    if (p.fullScreenState == kDesktopFullScreen) {
        surface_width = p.desktop.width;
        surface_height = p.desktop.height;
        p.scale = desktop_scale;
    } else if (p.fullScreenState != 0) {
        const plat::ScreenSize& chosen = p.fullScreenState == 1 ? closest : closest43;
        surface_width = chosen.width;
        surface_height = chosen.height;
        p.scale = small ? 2 : 1;
    }
    p.offsetX = (surface_width - page_width * p.scale) / 2;
    p.offsetY = (surface_height - page_height * p.scale) / 2;
    const bool full = p.fullScreenState != 0;
    if (p.surface == nullptr || surface_width != p.surfaceWidth ||
        surface_height != p.surfaceHeight || full != p.surfaceFull) {
        p.surface = window->set_video_mode(surface_width, surface_height, full);
        if (p.surface == nullptr) {
            p.surfaceWidth = p.surfaceHeight = 0;
            return;
        }
        p.surfaceWidth = surface_width;
        p.surfaceHeight = surface_height;
        p.surfaceFull = full;
        p.nativeFormat = p.surface->red_mask == kRedMask && p.surface->green_mask == kGreenMask &&
                         p.surface->blue_mask == kBlueMask;
        p.redShift = MaskShift(p.surface->red_mask);
        p.greenShift = MaskShift(p.surface->green_mask);
        p.blueShift = MaskShift(p.surface->blue_mask);
        p.complete = false;
    }

    const Target target = CurrentTarget(p, page_width, page_height);
    if (!p.complete) {
        // A new surface, page or mode: black first, then the whole page.
        for (int y = 0; y < target.height; ++y) {
            std::fill_n(target.pixels + static_cast<size_t>(y) * target.pitch, target.width, 0u);
        }
    }
    bool changed = false;
    if (page->text != 0) {
        changed = DrawTextPage(p, target, *page);
    } else if (page->bitsPerPixel == 32) {
        changed = DrawTrueColourPage(p, target, *page);
    } else {
        changed = DrawPalettePage(p, target, *page);
    }
    if (!changed && p.complete) return;
    if (p.complete) {
        CollectRects(p, target);
    } else {
        p.rects.assign(1, {0, 0, target.width, target.height});
    }
    window->update_rects(p.rects);
    ++p.updates;
    p.complete = true;

    if (words.modeHandshake.load(std::memory_order_acquire) == 1) GrantModeChange();
    int32_t once_more = -1;
    words.displayEnable.compare_exchange_strong(once_more, 0, std::memory_order_acq_rel);
}

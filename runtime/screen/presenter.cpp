// Scr_Present: the visual page converted into the window, with full screen, blinking and
// change detection.
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

// Everything the presenter remembers between frames. Start-up thread only, except the
// request for a complete frame, which any thread may raise.
struct Presenter {
    uint32_t frame = 0;
    int fullScreenState = 0;
    std::vector<plat::ScreenSize> sizes;
    bool anySize = false;
    bool sizesKnown = false;

    plat::VideoSurface* surface = nullptr;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    bool surfaceFull = false;
    int scale = 1;
    int offsetX = 0;
    int offsetY = 0;
    bool useWork = false;
    std::vector<uint32_t> work;

    bool complete = false;
    uint32_t generation = 0;
    const ImagePage* lastPage = nullptr;
    uint32_t updates = 0;

    // Palette pages: the last presented pixel bytes and palette.
    std::vector<uint8_t> savedPixels;
    std::vector<uint8_t> snapshot;
    uint32_t savedPalette[256] = {};
    // Text pages: the last presented cells, cursor and blink phases.
    std::vector<uint8_t> savedCells;
    int lastCursorX = -1;
    int lastCursorY = -1;
    int lastCursorPhase = -1;
    int lastBlinkPhase = -1;
    uint32_t lastCursorShape = 0;
};

// Runtime table: the presenter's memory of what the window shows (start-up thread).
Presenter g_presenter;
// Raised by Scr_ForceCompleteFrame from any thread, taken by the presenter.
std::atomic<int32_t> g_forceComplete{0};

// Where the picture goes: the surface's pixels or the work buffer, in 32-bit pixels.
struct Target {
    uint32_t* pixels = nullptr;
    int pitch = 0;  // in pixels
    int width = 0;
    int height = 0;
};

Target CurrentTarget(Presenter& p) {
    Target target;
    if (p.useWork) {
        target.pixels = p.work.data();
        target.pitch = p.surfaceWidth;
    } else {
        target.pixels = reinterpret_cast<uint32_t*>(p.surface->pixels);
        target.pitch = p.surface->pitch_bytes / 4;
    }
    target.width = p.surfaceWidth;
    target.height = p.surfaceHeight;
    return target;
}

// Puts one page pixel at page coordinates (x, y), scaled and offset.
inline void Put(const Presenter& p, const Target& t, int x, int y, uint32_t colour) {
    const int ox = p.offsetX + x * p.scale;
    const int oy = p.offsetY + y * p.scale;
    if (ox < 0 || oy < 0 || ox + p.scale > t.width || oy + p.scale > t.height) return;
    uint32_t* row = t.pixels + static_cast<size_t>(oy) * t.pitch + ox;
    row[0] = colour;
    if (p.scale == 2) {
        row[1] = colour;
        row[t.pitch] = colour;
        row[t.pitch + 1] = colour;
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
    p.snapshot.resize(count);
    Pix_LoadRange(p.snapshot.data(), page.store, count);
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = Pal_Get(page, i);
    const int compared = page.bitsPerPixel >= 8 ? 256 : 1 << page.bitsPerPixel;
    const bool same = p.complete && p.savedPixels.size() == count &&
                      std::memcmp(p.snapshot.data(), p.savedPixels.data(), count) == 0 &&
                      std::memcmp(palette, p.savedPalette, sizeof(uint32_t) * compared) == 0;
    if (same) return false;
    p.savedPixels.swap(p.snapshot);
    std::memcpy(p.savedPalette, palette, sizeof(palette));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = p.savedPixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) Put(p, t, x, y, p.savedPalette[row[x]]);
    }
    return true;
}

bool DrawTrueColourPage(Presenter& p, const Target& t, const ImagePage& page) {
    for (int y = 0; y < page.height; ++y) {
        const uint8_t* row = page.store + static_cast<size_t>(y) * page.width * 4;
        for (int x = 0; x < page.width; ++x) Put(p, t, x, y, Pix_Load32(row + x * 4));
    }
    return true;
}

bool DrawTextPage(Presenter& p, const Target& t, const ImagePage& page) {
    FontMetrics font;
    if (!Scr_FontMetrics(page.font, font)) return false;
    const int columns = page.width;
    const int rows = page.height;
    bool redraw_all = !p.complete;
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = Pal_Get(page, i);
    if (std::memcmp(palette, p.savedPalette, sizeof(palette)) != 0) {
        redraw_all = true;
        std::memcpy(p.savedPalette, palette, sizeof(palette));
    }
    const size_t cell_bytes = static_cast<size_t>(columns) * rows * 2;
    if (p.savedCells.size() != cell_bytes) {
        p.savedCells.assign(cell_bytes, 0);
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

    p.snapshot.resize(cell_bytes);
    Pix_LoadRange(p.snapshot.data(), page.store, cell_bytes);
    bool changed = false;
    for (int cy = 0; cy < rows; ++cy) {
        for (int cx = 0; cx < columns; ++cx) {
            const size_t at = (static_cast<size_t>(cy) * columns + cx) * 2;
            const uint8_t character = p.snapshot[at];
            const uint8_t attribute = p.snapshot[at + 1];
            const bool is_cursor = cx == cursor_x && cy == cursor_y;
            const bool was_cursor = cx == p.lastCursorX && cy == p.lastCursorY;
            const bool skip =
                !redraw_all && character == p.savedCells[at] && attribute == p.savedCells[at + 1] &&
                ((attribute & 0x80) == 0 || !blink_phase_changed) &&
                !(is_cursor && ((cursor_visible && cursor_phase_changed) || cursor_moved)) &&
                !(was_cursor && cursor_moved);
            if (skip) continue;
            p.savedCells[at] = character;
            p.savedCells[at + 1] = attribute;
            changed = true;

            const uint32_t background = palette[(attribute >> 4) & 7];
            const bool hidden = (attribute & 0x80) != 0 && blink_phase == 1;
            const uint32_t foreground = hidden ? background : palette[attribute & 15];
            const uint8_t* glyph = font.glyphs + static_cast<size_t>(character) * font.glyphBytes;
            const int x0 = cx * font.cellWidth;
            const int y0 = cy * font.cellHeight;
            for (int y = 0; y < font.cellHeight; ++y) {
                for (int x = 0; x < font.cellWidth; ++x) {
                    const int column = font.doubleWidth ? x / 2 : x;
                    Put(p, t, x0 + x, y0 + y, glyph[y * 8 + column] != 0 ? foreground : background);
                }
            }
            int first = 0, last = 0;
            if (is_cursor && cursor_visible && cursor_phase == 1 &&
                CursorRows(start_line, end_line, font.cellHeight, first, last)) {
                for (int y = first; y <= last; ++y) {
                    for (int x = 0; x < font.cellWidth; ++x) {
                        Put(p, t, x0 + x, y0 + y, palette[attribute & 15]);
                    }
                }
            }
        }
    }
    p.lastCursorX = cursor_x;
    p.lastCursorY = cursor_y;
    p.lastCursorShape = shape;
    p.lastCursorPhase = cursor_phase;
    p.lastBlinkPhase = blink_phase;
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

void CopyWorkToSurface(const Presenter& p) {
    const plat::VideoSurface& s = *p.surface;
    const int red = MaskShift(s.red_mask), green = MaskShift(s.green_mask),
              blue = MaskShift(s.blue_mask);
    for (int y = 0; y < p.surfaceHeight; ++y) {
        uint32_t* out =
            reinterpret_cast<uint32_t*>(s.pixels + static_cast<size_t>(y) * s.pitch_bytes);
        const uint32_t* in = p.work.data() + static_cast<size_t>(y) * p.surfaceWidth;
        for (int x = 0; x < p.surfaceWidth; ++x) {
            const uint32_t v = in[x];
            out[x] = ((v >> 16) & 0xFF) << red | ((v >> 8) & 0xFF) << green | (v & 0xFF) << blue;
        }
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
    if (p.useWork) return p.work[static_cast<size_t>(y) * p.surfaceWidth + x] & 0xFFFFFF;
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

    // One full-screen request per frame.
    const int previous_state = p.fullScreenState;
    int32_t requests = words.fullScreenRequests.load(std::memory_order_acquire);
    while (requests > 0 && !words.fullScreenRequests.compare_exchange_weak(
                               requests, requests - 1, std::memory_order_acq_rel)) {
    }
    if (requests > 0) {
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
    if (p.fullScreenState != previous_state) {
        if (previous_state == 0) ShowMouse(false);
        if (p.fullScreenState == 0) ShowMouse(true);
    }

    // Geometry.
    int surface_width = page_width, surface_height = page_height;
    p.scale = 1;
    if (p.fullScreenState != 0) {
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
        p.useWork = p.surface->red_mask != kRedMask || p.surface->green_mask != kGreenMask ||
                    p.surface->blue_mask != kBlueMask;
        p.work.assign(p.useWork ? static_cast<size_t>(surface_width) * surface_height : 0, 0);
        p.complete = false;
    }

    const Target target = CurrentTarget(p);
    if (!p.complete) {
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
    if (p.useWork) CopyWorkToSurface(p);
    window->update();
    ++p.updates;
    p.complete = true;

    if (words.modeHandshake.load(std::memory_order_acquire) == 1) GrantModeChange();
    int32_t once_more = -1;
    words.displayEnable.compare_exchange_strong(once_more, 0, std::memory_order_acq_rel);
}

// The message box drawn inside the game window: double-line frame, caption, text, buttons.
#include "window_box.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "font_data.h"
#include "platform.h"
#include "screen.h"
#include "shared_words.h"

namespace {

enum BoxState : int32_t { kClosed = 0, kOpen = 1, kAnswered = 2 };

// The box's shared words. The program thread writes caption, text and buttons and then
// publishes them by setting the state to kOpen; the start-up thread answers by writing the
// answer and then kAnswered. The texts are copied under a short lock that nobody holds while
// waiting, so that a reader from another thread never sees them half written.
struct BoxRecord {
    std::atomic<int32_t> state{kClosed};
    std::atomic<int32_t> answer{0};
    std::atomic<int32_t> redraw_after_close{0};
    // Set while a display loop runs (or is about to) that will draw and answer boxes.
    std::atomic<int32_t> enabled{0};
    std::mutex texts_mutex;
    std::string caption;
    std::string text;
    plat::BoxButtons buttons = plat::BoxButtons::Ok;
};

struct BoxTexts {
    std::string caption;
    std::string text;
    plat::BoxButtons buttons = plat::BoxButtons::Ok;
};

BoxTexts CopyTexts();
BoxRecord g_box;  // runtime shared record: one box at a time, as on the system it stands for

// Start-up thread only: where the buttons were drawn, for mouse clicks.
struct ButtonPlaces {
    int top = 0;
    int bottom = 0;
    int yes_left = 0, yes_right = 0;
    int no_left = 0, no_right = 0;
};
ButtonPlaces g_places;  // start-up thread only

constexpr uint32_t kBlue = 0x0000AA;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kYellow = 0xFFFF55;
constexpr uint32_t kGrey = 0xAAAAAA;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kShadow = 0x000000;

std::vector<std::string> SplitLines(const std::string& text, size_t width) {
    std::vector<std::string> lines;
    std::string line;
    auto flush = [&] {
        lines.push_back(line);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            flush();
            continue;
        }
        if (line.size() == width) flush();
        line += c;
    }
    flush();
    return lines;
}

uint32_t Place(uint32_t rgb, const plat::VideoSurface& surface) {
    auto put = [](uint32_t value8, uint32_t mask) -> uint32_t {
        if (mask == 0) return 0;
        int shift = 0;
        while (((mask >> shift) & 1u) == 0) ++shift;
        int bits = 0;
        while (((mask >> (shift + bits)) & 1u) != 0) ++bits;
        return ((value8 >> (8 - std::min(bits, 8))) << shift) & mask;
    };
    return put((rgb >> 16) & 0xFF, surface.red_mask) | put((rgb >> 8) & 0xFF, surface.green_mask) |
           put(rgb & 0xFF, surface.blue_mask);
}

class Painter {
public:
    Painter(plat::VideoSurface& surface, const BoxLayout& layout)
        : surface_(surface), layout_(layout) {}

    void fill(int column, int row, int columns, int rows, uint32_t rgb) {
        const int x0 = layout_.left + column * layout_.cell_width;
        const int y0 = layout_.top + row * layout_.cell_height;
        for (int y = y0; y < y0 + rows * layout_.cell_height; ++y) {
            for (int x = x0; x < x0 + columns * layout_.cell_width; ++x) pixel(x, y, rgb);
        }
    }

    void glyph(int column, int row, uint8_t code, uint32_t fg, uint32_t bg) {
        const bool tall = layout_.cell_height == 16;
        const uint8_t* rows = tall ? &kFont8x16[code * 128] : &kFont8x8[code * 64];
        const int x0 = layout_.left + column * layout_.cell_width;
        const int y0 = layout_.top + row * layout_.cell_height;
        for (int y = 0; y < layout_.cell_height; ++y) {
            for (int x = 0; x < 8; ++x) pixel(x0 + x, y0 + y, rows[y * 8 + x] != 0 ? fg : bg);
        }
    }

    void text(int column, int row, const std::string& s, uint32_t fg, uint32_t bg) {
        for (size_t i = 0; i < s.size(); ++i) {
            glyph(column + static_cast<int>(i), row, static_cast<uint8_t>(s[i]), fg, bg);
        }
    }

private:
    void pixel(int x, int y, uint32_t rgb) {
        if (x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return;
        auto* row = reinterpret_cast<uint32_t*>(surface_.pixels + y * surface_.pitch_bytes);
        row[x] = Place(rgb, surface_);
    }
    plat::VideoSurface& surface_;
    const BoxLayout& layout_;
};

void DrawBox(plat::VideoSurface& surface) {
    const BoxTexts box = CopyTexts();
    BoxLayout layout;
    layout.cell_height = surface.height >= 400 ? 16 : 8;
    const int max_columns = std::max(12, surface.width / layout.cell_width - 2);
    const size_t text_width = static_cast<size_t>(max_columns - 4);
    const std::vector<std::string> lines = SplitLines(box.text, text_width);
    const bool yes_no = box.buttons == plat::BoxButtons::YesNo;
    const std::string yes_label = yes_no ? " Yes " : " OK ";
    const std::string no_label = " No ";
    const std::string caption = box.caption.substr(0, text_width);

    size_t widest = caption.size() + 2;
    for (const auto& line : lines) widest = std::max(widest, line.size());
    widest = std::max(widest, yes_label.size() + (yes_no ? no_label.size() + 3 : 0));
    layout.columns = static_cast<int>(widest) + 4;
    layout.rows = static_cast<int>(lines.size()) + 6;
    layout.left = (surface.width - layout.columns * layout.cell_width) / 2;
    layout.top = (surface.height - layout.rows * layout.cell_height) / 2;

    Painter paint(surface, layout);
    paint.fill(1, 1, layout.columns, layout.rows, kShadow);
    paint.fill(0, 0, layout.columns, layout.rows, kBlue);
    const int right = layout.columns - 1;
    const int bottom = layout.rows - 1;
    for (int c = 1; c < right; ++c) {
        paint.glyph(c, 0, 0xCD, kWhite, kBlue);
        paint.glyph(c, bottom, 0xCD, kWhite, kBlue);
    }
    for (int r = 1; r < bottom; ++r) {
        paint.glyph(0, r, 0xBA, kWhite, kBlue);
        paint.glyph(right, r, 0xBA, kWhite, kBlue);
    }
    paint.glyph(0, 0, 0xC9, kWhite, kBlue);
    paint.glyph(right, 0, 0xBB, kWhite, kBlue);
    paint.glyph(0, bottom, 0xC8, kWhite, kBlue);
    paint.glyph(right, bottom, 0xBC, kWhite, kBlue);
    const int caption_column = (layout.columns - static_cast<int>(caption.size()) - 2) / 2;
    paint.text(caption_column, 0, " " + caption + " ", kYellow, kBlue);
    for (size_t i = 0; i < lines.size(); ++i) {
        paint.text(2, 2 + static_cast<int>(i), lines[i], kWhite, kBlue);
    }

    const int button_row = bottom - 2;
    const int buttons_width =
        static_cast<int>(yes_label.size() + (yes_no ? no_label.size() + 3 : 0));
    const int yes_column = (layout.columns - buttons_width) / 2;
    paint.text(yes_column, button_row, yes_label, kBlack, kGrey);
    g_places.top = layout.top + button_row * layout.cell_height;
    g_places.bottom = g_places.top + layout.cell_height;
    g_places.yes_left = layout.left + yes_column * layout.cell_width;
    g_places.yes_right = g_places.yes_left + static_cast<int>(yes_label.size()) * layout.cell_width;
    g_places.no_left = g_places.no_right = -1;
    if (yes_no) {
        const int no_column = yes_column + static_cast<int>(yes_label.size()) + 3;
        paint.text(no_column, button_row, no_label, kBlack, kGrey);
        g_places.no_left = layout.left + no_column * layout.cell_width;
        g_places.no_right = g_places.no_left + static_cast<int>(no_label.size()) * layout.cell_width;
    }
}

BoxTexts CopyTexts() {
    std::lock_guard<std::mutex> lock(g_box.texts_mutex);
    return {g_box.caption, g_box.text, g_box.buttons};
}

void Answer(plat::BoxAnswer answer) {
    g_box.answer.store(static_cast<int32_t>(answer), std::memory_order_relaxed);
    g_box.state.store(kAnswered, std::memory_order_release);
}

class WindowBox final : public plat::MessageBox {
public:
    plat::BoxAnswer show(const std::string& caption, const std::string& text,
                         plat::BoxButtons buttons) override {
        SharedWords& words = Rt_Words();
        if (g_box.enabled.load(std::memory_order_acquire) == 0) {
            return plat::BoxAnswer::NotShown;
        }
        {
            std::lock_guard<std::mutex> lock(g_box.texts_mutex);
            g_box.caption = caption;
            g_box.text = text;
            g_box.buttons = buttons;
        }
        g_box.answer.store(0, std::memory_order_relaxed);
        g_box.state.store(kOpen, std::memory_order_release);
        plat::BoxAnswer answer = buttons == plat::BoxButtons::Ok ? plat::BoxAnswer::Ok
                                                                  : plat::BoxAnswer::No;
        for (;;) {
            if (g_box.state.load(std::memory_order_acquire) == kAnswered) {
                answer = static_cast<plat::BoxAnswer>(g_box.answer.load(std::memory_order_relaxed));
                break;
            }
            // The window is closing: the program ends, whatever the box asked.
            if (words.stop.load(std::memory_order_acquire) != 0) break;
            plat::Plat().clock->delay_ms(10);
        }
        g_box.state.store(kClosed, std::memory_order_release);
        g_box.redraw_after_close.store(1, std::memory_order_release);
        return answer;
    }
};

}  // namespace

plat::MessageBox* WindowBox_Seam() {
    static WindowBox box;
    return &box;
}

bool WindowBox_HandleEvent(const plat::WindowEvent& event) {
    if (g_box.state.load(std::memory_order_acquire) != kOpen) return false;
    const bool yes_no = CopyTexts().buttons == plat::BoxButtons::YesNo;
    const plat::BoxAnswer yes = yes_no ? plat::BoxAnswer::Yes : plat::BoxAnswer::Ok;
    const plat::BoxAnswer no = yes_no ? plat::BoxAnswer::No : plat::BoxAnswer::Ok;
    if (event.kind == plat::WindowEvent::Kind::KeyDown) {
        constexpr uint32_t kReturn = 13, kEscape = 27, kKeypadEnter = 271, kSpace = 32;
        const uint32_t sym = event.sym;
        if (sym == 'y' || sym == kReturn || sym == kKeypadEnter) Answer(yes);
        if (sym == 'n' || sym == kEscape) Answer(no);
        if (!yes_no && sym == kSpace) Answer(yes);
    } else if (event.kind == plat::WindowEvent::Kind::MouseButtonDown && event.button == 1) {
        if (event.y >= g_places.top && event.y < g_places.bottom) {
            if (event.x >= g_places.yes_left && event.x < g_places.yes_right) Answer(yes);
            if (event.x >= g_places.no_left && event.x < g_places.no_right) Answer(no);
        }
    }
    // While a box is open, keys belong to it and never reach the game.
    return true;
}

void WindowBox_Draw() {
    if (g_box.redraw_after_close.exchange(0, std::memory_order_acq_rel) != 0) {
        Scr_ForceCompleteFrame();
    }
    if (g_box.state.load(std::memory_order_acquire) != kOpen) return;
    plat::VideoSurface* surface = Scr_CurrentSurface();
    if (surface == nullptr) {
        // Nothing was ever presented (the text screen of start-up): open a window for the box.
        surface = plat::Plat().window->set_video_mode(640, 480, false);
        if (surface == nullptr) return;
    }
    DrawBox(*surface);
    plat::Plat().window->update();
}

bool WindowBox_IsOpen() { return g_box.state.load(std::memory_order_acquire) == kOpen; }

void WindowBox_Contents(std::string& caption, std::string& text) {
    if (!WindowBox_IsOpen()) {
        caption.clear();
        text.clear();
        return;
    }
    BoxTexts box = CopyTexts();
    caption = std::move(box.caption);
    text = std::move(box.text);
}

void WindowBox_Enable(bool enabled) {
    g_box.enabled.store(enabled ? 1 : 0, std::memory_order_release);
}

void WindowBox_Reset() {
    g_box.state.store(kClosed);
    g_box.answer.store(0);
    g_box.redraw_after_close.store(0);
}

// Presentation: window size, change detection, full screen, blinking, cursor, work buffer,
// a presenter thread running beside the program thread, and the scaled window and the
// desktop-sized full screen that the player may ask for.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "font_data.h"
#include "graphics.h"
#include "memory_window.h"
#include "screen_fixture.h"
#include "sdl_session.h"

namespace {

// The real window under the dummy driver, with its updates counted and the full-screen
// sizes chosen by the test.
class CountingWindow final : public plat::Window {
  public:
    explicit CountingWindow(std::unique_ptr<plat::Window> real) : real_(std::move(real)) {}
    bool poll_event(plat::WindowEvent& event) override { return real_->poll_event(event); }
    void inject_event(const plat::WindowEvent& event) override { real_->inject_event(event); }
    uint8_t app_state() override { return real_->app_state(); }
    void enable_key_repeat(int delay_ms, int interval_ms) override {
        real_->enable_key_repeat(delay_ms, interval_ms);
    }
    plat::LockKeyState lock_keys() override { return real_->lock_keys(); }
    std::vector<plat::ScreenSize> full_screen_sizes(bool& any_size) override {
        any_size = false;
        return sizes;
    }
    plat::ScreenSize desktop_size() override { return desktop; }
    plat::VideoSurface* set_video_mode(int width, int height, bool full_screen) override {
        modes.push_back(std::to_string(width) + "x" + std::to_string(height) +
                        (full_screen ? "F" : "W"));
        // The dummy driver has no full screen of its own: a window of that size stands in.
        return real_->set_video_mode(width, height, false);
    }
    void update() override {
        ++updates;
        real_->update();
    }
    void set_caption(const std::string& caption) override { real_->set_caption(caption); }
    void set_icon_bmp(const uint8_t* bmp, size_t length) override {
        real_->set_icon_bmp(bmp, length);
    }
    void set_cursor(const std::vector<std::string>& picture, int x, int y) override {
        real_->set_cursor(picture, x, y);
    }
    void show_cursor(bool visible) override { mouse_visible = visible; }
    void free_cursor() override { real_->free_cursor(); }

    std::vector<plat::ScreenSize> sizes;
    plat::ScreenSize desktop;
    std::vector<std::string> modes;
    int updates = 0;
    bool mouse_visible = true;

  private:
    std::unique_ptr<plat::Window> real_;
};

// A window that shows only what it is told to: its surface is plain memory with the channel
// masks the test chooses, and what is on the screen is a separate copy that update() and
// update_rects() fill from the surface.
class ShownWindow final : public plat::Window {
  public:
    ShownWindow(uint32_t red, uint32_t green, uint32_t blue) {
        surface.red_mask = red;
        surface.green_mask = green;
        surface.blue_mask = blue;
    }
    bool poll_event(plat::WindowEvent&) override { return false; }
    void inject_event(const plat::WindowEvent&) override {}
    uint8_t app_state() override { return 6; }
    void enable_key_repeat(int, int) override {}
    plat::LockKeyState lock_keys() override { return {}; }
    std::vector<plat::ScreenSize> full_screen_sizes(bool& any_size) override {
        any_size = false;
        return sizes;
    }
    plat::ScreenSize desktop_size() override { return desktop; }
    plat::VideoSurface* set_video_mode(int width, int height, bool) override {
        pixels.assign(static_cast<size_t>(width) * height, 0xDEADBEEF);
        shown.assign(pixels.size(), 0x5EED5EED);  // never shown yet
        surface.pixels = reinterpret_cast<uint8_t*>(pixels.data());
        surface.width = width;
        surface.height = height;
        surface.pitch_bytes = width * 4;
        return &surface;
    }
    void update() override { update_rects({{0, 0, surface.width, surface.height}}); }
    void update_rects(const std::vector<plat::SurfaceRect>& rects) override {
        last_rects = rects;
        for (const plat::SurfaceRect& r : rects) {
            for (int y = r.y; y < r.y + r.height; ++y) {
                for (int x = r.x; x < r.x + r.width; ++x) {
                    shown[static_cast<size_t>(y) * surface.width + x] =
                        pixels[static_cast<size_t>(y) * surface.width + x];
                }
            }
        }
        ++updates;
    }
    void set_caption(const std::string&) override {}
    void set_icon_bmp(const uint8_t*, size_t) override {}
    void set_cursor(const std::vector<std::string>&, int, int) override {}
    void show_cursor(bool) override {}
    void free_cursor() override {}

    // What the screen shows at (x, y), as 0xRRGGBB.
    uint32_t Shown(int x, int y) const {
        const uint32_t v = shown[static_cast<size_t>(y) * surface.width + x];
        auto channel = [v](uint32_t mask) { return (v & mask) >> __builtin_ctz(mask); };
        return channel(surface.red_mask) << 16 | channel(surface.green_mask) << 8 |
               channel(surface.blue_mask);
    }

    std::vector<plat::ScreenSize> sizes;
    plat::ScreenSize desktop;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> shown;
    plat::VideoSurface surface;
    std::vector<plat::SurfaceRect> last_rects;
    int updates = 0;
};

class PresentTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        std::string error;
        ASSERT_TRUE(session_.start_sdl(error)) << error;
        window_ = std::make_unique<CountingWindow>(plat::MakeSdlWindow());
        Install(window_.get());
    }
    void Install(plat::Window* window, plat::DisplayOptions display = {}) {
        plat::Platform platform;
        platform.clock = &clock_;
        platform.window = window;
        platform.display = display;
        plat::Plat_Install(platform);
    }
    void Present(int frames = 1) {
        for (int i = 0; i < frames; ++i) Scr_Present();
    }

    ManualClock clock_;
    plat::SdlSession session_;
    std::unique_ptr<CountingWindow> window_;
};

TEST_F(PresentTest, WindowFollowsTheVisualPage) {
    Present();
    EXPECT_EQ(Scr_PresentGeometry().surfaceWidth, 640);
    EXPECT_EQ(Scr_PresentGeometry().surfaceHeight, 400);
    Scr_SetMode(12, 0, 0, 0, 1);
    Present();
    EXPECT_EQ(Scr_PresentGeometry().surfaceWidth, 640);
    EXPECT_EQ(Scr_PresentGeometry().surfaceHeight, 480);
    Scr_SetMode(7, 0, 0, 0, 1);
    Present();
    EXPECT_EQ(Scr_PresentGeometry().surfaceWidth, 320);
    EXPECT_EQ(Scr_PresentGeometry().surfaceHeight, 200);
    ASSERT_NE(Scr_CurrentSurface(), nullptr);
    EXPECT_EQ(Scr_CurrentSurface()->width, 320);
    const std::vector<std::string> expected = {"640x400W", "640x480W", "320x200W"};
    EXPECT_EQ(window_->modes, expected);
}

TEST_F(PresentTest, UnchangedPageCausesNoUpdates) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Print("Brunolt", false);
    Present();
    EXPECT_EQ(window_->updates, 1);
    Present(12);
    EXPECT_EQ(window_->updates, 1);
    EXPECT_EQ(Scr_PresentGeometry().frames, 13u);
    Scr_Print("!", false);
    Present(3);
    EXPECT_EQ(window_->updates, 2);
    Scr_Color(15, 3, 0, 3);  // a colour field alone changes no pixel
    Present();
    EXPECT_EQ(window_->updates, 2);
    Scr_ForceCompleteFrame();
    Present();
    EXPECT_EQ(window_->updates, 3);
    // The same on the text screen, whose hidden cursor changes nothing either.
    Scr_SetMode(0, 0, 0, 0, 1);
    Present(20);
    EXPECT_EQ(window_->updates, 4);
}

TEST_F(PresentTest, PaletteChangeIsAChange) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Present(2);
    EXPECT_EQ(window_->updates, 1);
    EXPECT_EQ(Scr_PresentedPixel(10, 10), 0x000000u);
    Scr_Color(15, 1, 0, 3);
    Present();
    EXPECT_EQ(window_->updates, 2);
    EXPECT_EQ(Scr_PresentedPixel(10, 10), 0x0000AAu);
}

TEST_F(PresentTest, PixelsGoThroughThePalette) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(12, 0, 0, 1);
    Scr_Print("\xDB", false);
    Present();
    EXPECT_EQ(Scr_PresentedPixel(3, 5), 0xFF5555u);
    EXPECT_EQ(Scr_PresentedPixel(8, 5), 0x000000u);
}

TEST_F(PresentTest, FullScreenDoublesAndCentresASmallPage) {
    window_->sizes = {{640, 480}, {800, 600}};
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Cls(0, 4, 3);
    Present();
    Rt_Words().fullScreenRequests = 1;
    Present();
    PresentGeometry g = Scr_PresentGeometry();
    EXPECT_EQ(g.fullScreenState, 1);
    EXPECT_EQ(g.surfaceWidth, 640);
    EXPECT_EQ(g.surfaceHeight, 480);
    EXPECT_EQ(g.scale, 2);
    EXPECT_EQ(g.offsetX, 0);
    EXPECT_EQ(g.offsetY, 40);
    EXPECT_FALSE(window_->mouse_visible);
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 0);
    EXPECT_EQ(Scr_PresentedPixel(0, 39), 0x000000u);
    EXPECT_EQ(Scr_PresentedPixel(0, 40), 0xAA0000u);
    EXPECT_EQ(Scr_PresentedPixel(639, 439), 0xAA0000u);
    EXPECT_EQ(Scr_PresentedPixel(639, 440), 0x000000u);
    // The closest size is already 4:3, so the next request returns to the window.
    Rt_Words().fullScreenRequests = 1;
    Present();
    g = Scr_PresentGeometry();
    EXPECT_EQ(g.fullScreenState, 0);
    EXPECT_EQ(g.surfaceWidth, 320);
    EXPECT_EQ(g.scale, 1);
    EXPECT_TRUE(window_->mouse_visible);
    const std::vector<std::string> expected = {"320x200W", "640x480F", "320x200W"};
    EXPECT_EQ(window_->modes, expected);
}

TEST_F(PresentTest, FullScreenCandidatesAndTheFourThreeStep) {
    window_->sizes = {{1024, 768}, {848, 480}, {600, 800}, {1280, 1024}};
    Scr_SetMode(12, 0, 0, 0, 1);
    Rt_Words().fullScreenRequests = 3;
    Present();
    PresentGeometry g = Scr_PresentGeometry();
    EXPECT_EQ(g.fullScreenState, 1);
    EXPECT_EQ(g.surfaceWidth, 848);
    EXPECT_EQ(g.surfaceHeight, 480);
    EXPECT_EQ(g.scale, 1);
    EXPECT_EQ(g.offsetX, 104);
    EXPECT_EQ(g.offsetY, 0);
    Present();  // one request per frame
    g = Scr_PresentGeometry();
    EXPECT_EQ(g.fullScreenState, 2);
    EXPECT_EQ(g.surfaceWidth, 1024);
    EXPECT_EQ(g.offsetX, 192);
    EXPECT_EQ(g.offsetY, 144);
    Present();
    EXPECT_EQ(Scr_PresentGeometry().fullScreenState, 0);
    EXPECT_EQ(Scr_PresentGeometry().surfaceWidth, 640);
}

TEST_F(PresentTest, EqualDistanceTakesTheLaterSize) {
    window_->sizes = {{800, 600}, {700, 700}, {640, 200}};
    Scr_SetMode(12, 0, 0, 0, 1);
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Scr_PresentGeometry().surfaceWidth, 700);
    EXPECT_EQ(Scr_PresentGeometry().surfaceHeight, 700);
}

TEST_F(PresentTest, NoListedSizeKeepsTheWindow) {
    window_->sizes = {{640, 200}, {512, 384}};
    Scr_SetMode(12, 0, 0, 0, 1);
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Scr_PresentGeometry().fullScreenState, 0);
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 0);
}

TEST_F(PresentTest, BlinkingCellAlternatesEveryEightFrames) {
    Scr_Color(23, 1, 0, 3);  // blinking grey on blue
    Scr_Print("\xDB", false);
    Scr_Color(7, 0, 0, 3);
    // Frame n has blink phase (n >> 3) & 1.
    for (uint32_t frame = 1; frame <= 40; ++frame) {
        Present();
        const bool hidden = ((frame >> 3) & 1) != 0;
        ASSERT_EQ(Scr_PresentedPixel(3, 7), hidden ? 0x0000AAu : 0xAAAAAAu) << frame;
        ASSERT_EQ(Scr_PresentedPixel(11, 7), 0x000000u) << frame;
    }
    // One update for the first frame, then one per change of phase (frames 8, 16, 24, 32, 40).
    EXPECT_EQ(window_->updates, 6);
}

TEST_F(PresentTest, VisibleCursorBlinksInItsCell) {
    Scr_Locate(3, 5, 1, 6, 7, 31);  // two lines: rows 13 and 14 of a 16-row cell
    for (uint32_t frame = 1; frame <= 16; ++frame) {
        Present();
        const bool on = ((frame >> 2) & 1) != 0;
        const int x = 4 * 8 + 2, y = 2 * 16;
        ASSERT_EQ(Scr_PresentedPixel(x, y + 13), on ? 0xAAAAAAu : 0u) << frame;
        ASSERT_EQ(Scr_PresentedPixel(x, y + 14), on ? 0xAAAAAAu : 0u) << frame;
        ASSERT_EQ(Scr_PresentedPixel(x, y + 12), 0u) << frame;
        ASSERT_EQ(Scr_PresentedPixel(x, y + 15), 0u) << frame;
    }
    // Moving the cursor clears its old cell.
    for (int i = 0; i < 4; ++i) Present();
    ASSERT_EQ(((Scr_PresentGeometry().frames >> 2) & 1), 1u);
    Scr_Locate(4, 5, 0, 0, 0, 3);
    Present();
    EXPECT_EQ(Scr_PresentedPixel(4 * 8 + 2, 2 * 16 + 13), 0u);
    EXPECT_EQ(Scr_PresentedPixel(4 * 8 + 2, 3 * 16 + 13), 0xAAAAAAu);
}

TEST_F(PresentTest, TextGlyphsInTheirColours) {
    Scr_Color(14, 4, 0, 3);
    Scr_Print("\x82", false);
    Present();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool set = kFont8x16[0x82 * 128 + y * 8 + x] != 0;
            ASSERT_EQ(Scr_PresentedPixel(x, y), set ? 0xFFFF55u : 0xAA0000u) << x << "," << y;
        }
    }
}

TEST_F(PresentTest, ModeTenBlinksThroughItsColourTable) {
    Scr_SetMode(10, 0, 0, 0, 1);
    Scr_Color(2, 0, 0, 1);  // colour 2 is index 6 of the blink table: white, then black
    Scr_Print("\xDB", false);
    Scr_Color(3, 0, 0, 1);  // colour 3 is index 8: white in both phases
    Scr_Print("\xDB", false);
    Present();
    EXPECT_EQ(Scr_PresentedPixel(2, 2), 0xFFFFFFu);
    EXPECT_EQ(Scr_PresentedPixel(10, 2), 0xFFFFFFu);
    clock_.delay_ms(512);  // bit 9 of the clock is the phase
    Present();
    EXPECT_EQ(Scr_PresentedPixel(2, 2), 0x000000u);
    EXPECT_EQ(Scr_PresentedPixel(10, 2), 0xFFFFFFu);
    EXPECT_EQ(window_->updates, 2);
    Scr_Color(0, 1, 0, 2);  // colour 0 becomes index 1: grey in phase 1
    Present();
    EXPECT_EQ(Scr_PresentedPixel(20, 20), 0x808080u);
}

TEST_F(PresentTest, WorkBufferWhenTheMasksDiffer) {
    plat::MemoryWindow memory({0xFF, 0xFF00, 0xFF0000}, 0xDEADBEEF);  // channels swapped
    Install(&memory);
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(12, 0, 0, 1);
    Scr_Print("\xDB", false);
    Present();
    EXPECT_EQ(memory.updates.load(), 1);
    EXPECT_EQ(Scr_PresentedPixel(1, 1), 0xFF5555u);
    EXPECT_EQ(memory.pixels[1 * 640 + 1], 0x5555FFu);  // blue in the high byte here
    EXPECT_EQ(memory.pixels[100 * 640 + 100], 0u);     // cleared, then drawn black
}

TEST_F(PresentTest, PresenterThreadBesideTheProgramThread) {
    plat::MemoryWindow memory({0xFF, 0xFF00, 0xFF0000}, 0xDEADBEEF);  // channels swapped
    Install(&memory);
    Rt_Words().loopRunning = 1;
    std::atomic<bool> done{false};
    std::thread presenter([&] {
        while (!done.load()) {
            Scr_Present();
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 2; ++round) {
        Scr_SetMode(12, 0, 0, 0, 1);
        for (int i = 0; i < 40; ++i) Scr_Print("Pronto? Chi parla?", true);
        Scr_SetMode(7, 0, 0, 0, 1);
        for (int i = 0; i < 30; ++i) Scr_Print("Attendere prego.....", true);
        Scr_Color(15, 2, 0, 3);
    }
    // Frames that start after the last change must show the final page exactly: the second
    // of two forced updates began after the first had ended.
    for (int forced = 0; forced < 2; ++forced) {
        const int before = memory.updates.load();
        Scr_ForceCompleteFrame();
        while (memory.updates.load() == before) std::this_thread::yield();
    }
    done = true;
    presenter.join();
    Rt_Words().loopRunning = 0;
    EXPECT_GE(memory.updates.load(), 2);
    EXPECT_EQ(Rt_Words().modeHandshake.load(), 0);
    EXPECT_EQ(Err_Pending(), 0u);
    const ImagePage& page = Active();
    ASSERT_EQ(Scr_PresentGeometry().surfaceWidth, 320);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            ASSERT_EQ(Scr_PresentedPixel(x, y), Pal_Get(page, page.store[y * 320 + x]) & 0xFFFFFF)
                << x << "," << y;
        }
    }
}

// Every pixel on the screen is the page's colour there (black around a centred page), and
// what the screen shows is what the surface holds.
void ExpectScreenShowsPage(const ShownWindow& window, const ImagePage& page, const char* what) {
    const PresentGeometry g = Scr_PresentGeometry();
    for (int y = 0; y < g.surfaceHeight; ++y) {
        for (int x = 0; x < g.surfaceWidth; ++x) {
            const int px = (x - g.offsetX) / g.scale, py = (y - g.offsetY) / g.scale;
            const bool on_page =
                x >= g.offsetX && y >= g.offsetY && px < page.width && py < page.height;
            const uint32_t expected =
                on_page ? Pal_Get(page, page.store[static_cast<size_t>(py) * page.width + px]) &
                              0xFFFFFF
                        : 0u;
            ASSERT_EQ(window.Shown(x, y), expected) << what << " at " << x << "," << y;
        }
    }
}

TEST_F(PresentTest, AChangedRowIsShownAloneAndTheScreenIsRightInEveryLayout) {
    struct Layout {
        const char* what;
        int mode;
        bool full_screen;
        uint32_t red, green, blue;
    };
    const Layout layouts[] = {
        {"mode 12 window", 12, false, 0xFF0000, 0xFF00, 0xFF},
        {"mode 7 window", 7, false, 0xFF0000, 0xFF00, 0xFF},
        {"mode 7 full screen at scale 2", 7, true, 0xFF0000, 0xFF00, 0xFF},
        {"mode 12 with other channel masks", 12, false, 0xFF, 0xFF00, 0xFF0000},
    };
    for (const Layout& layout : layouts) {
        Scr_Startup();
        ShownWindow window(layout.red, layout.green, layout.blue);
        window.sizes = {{640, 480}};
        Install(&window);
        Scr_SetMode(layout.mode, 0, 0, 0, 1);
        Scr_Color(14, 1, 0, 3);
        Scr_Print("Pronto?", true);
        Scr_FillBox(20, 40, 90, 60, 12);
        if (layout.full_screen) Rt_Words().fullScreenRequests = 1;
        Present();
        const PresentGeometry g = Scr_PresentGeometry();
        ASSERT_EQ(g.scale, layout.full_screen ? 2 : 1) << layout.what;
        ASSERT_EQ(window.last_rects.size(), 1u) << layout.what;  // the first frame: all of it
        EXPECT_EQ(window.last_rects[0].width, g.surfaceWidth) << layout.what;
        EXPECT_EQ(window.last_rects[0].height, g.surfaceHeight) << layout.what;
        ExpectScreenShowsPage(window, Active(), layout.what);

        // One row changes: only rectangles over that row (scaled and offset) are shown.
        Scr_FillBox(50, 70, 130, 70, 10);
        Present();
        ASSERT_FALSE(window.last_rects.empty()) << layout.what;
        for (const plat::SurfaceRect& r : window.last_rects) {
            EXPECT_EQ(r.y, g.offsetY + 70 * g.scale) << layout.what;
            EXPECT_EQ(r.height, g.scale) << layout.what;
            EXPECT_LE(r.x, g.offsetX + 50 * g.scale) << layout.what;
            EXPECT_GE(r.x + r.width, g.offsetX + 131 * g.scale) << layout.what;
            EXPECT_LE(r.width, 8 * g.scale + 81 * g.scale + 8 * g.scale) << layout.what;
        }
        ExpectScreenShowsPage(window, Active(), layout.what);
        // A block put elsewhere is shown too.
        std::vector<uint8_t> block(Scr_BlockBytes(Active(), 16, 8));
        Scr_GetBlock(20, 40, 35, 47, block.data(), block.size());
        Scr_PutBlock(150, 100, block.data(), block.size(), kPutOverwrite, 0, 0);
        Present();
        ExpectScreenShowsPage(window, Active(), layout.what);
        // A colour change redraws the whole page.
        Scr_Color(14, 2, 0, 3);
        Present();
        ExpectScreenShowsPage(window, Active(), layout.what);
        const int updates = window.updates;
        Present(3);
        EXPECT_EQ(window.updates, updates) << layout.what;
    }
}

TEST_F(PresentTest, TextBlinkAndCursorShowOnlyTheirCells) {
    ShownWindow window(0xFF, 0xFF00, 0xFF0000);
    Install(&window);
    Scr_Locate(5, 3, 0, 0, 0, 3);
    Scr_Color(23, 1, 0, 3);  // blinking grey on blue at row 5, column 3
    Scr_Print("\xDB", false);
    Scr_Color(7, 0, 0, 3);
    Scr_Locate(10, 20, 1, 6, 7, 31);  // a visible two-line cursor at row 10, column 20
    for (uint32_t frame = 1; frame <= 40; ++frame) {
        window.last_rects.clear();
        Present();
        const bool hidden = ((frame >> 3) & 1) != 0;
        const bool cursor_on = ((frame >> 2) & 1) != 0;
        ASSERT_EQ(window.Shown(2 * 8 + 3, 4 * 16 + 7), hidden ? 0x0000AAu : 0xAAAAAAu) << frame;
        ASSERT_EQ(window.Shown(19 * 8 + 3, 9 * 16 + 13), cursor_on ? 0xAAAAAAu : 0u) << frame;
        ASSERT_EQ(window.Shown(19 * 8 + 3, 9 * 16 + 12), 0u) << frame;
        for (size_t i = 0; i < window.shown.size(); ++i) {
            ASSERT_EQ(window.shown[i], window.pixels[i]) << frame << " at " << i;
        }
        if (frame == 1) continue;
        // After the first frame only the blinking cell and the cursor's cell are shown.
        for (const plat::SurfaceRect& r : window.last_rects) {
            const bool blink_cell = r.x == 2 * 8 && r.y == 4 * 16;
            const bool cursor_cell = r.x == 19 * 8 && r.y == 9 * 16;
            EXPECT_TRUE(blink_cell || cursor_cell) << frame << ": " << r.x << "," << r.y;
            EXPECT_EQ(r.width, 8) << frame;
            EXPECT_EQ(r.height, 16) << frame;
        }
    }
    // Updates on the first frame and whenever a phase changed: the cursor every 4 frames.
    EXPECT_EQ(window.updates, 11);
}

// The geometry the presenter chose, as "WIDTHxHEIGHT scale S at (X, Y)".
std::string Geometry() {
    const PresentGeometry g = Scr_PresentGeometry();
    return std::to_string(g.surfaceWidth) + "x" + std::to_string(g.surfaceHeight) + " scale " +
           std::to_string(g.scale) + " at (" + std::to_string(g.offsetX) + ", " +
           std::to_string(g.offsetY) + ")";
}

TEST_F(PresentTest, ScaledWindowFollowsTheVisualPage) {
    for (const int scale : {2, 3}) {
        Scr_Startup();
        window_->modes.clear();
        Install(window_.get(), {scale, false});
        Present();
        Scr_SetMode(12, 0, 0, 0, 1);
        Present();
        Scr_SetMode(7, 0, 0, 0, 1);
        Present();
        const std::vector<std::string> expected[] = {{"1280x800W", "1280x960W", "640x400W"},
                                                     {"1920x1200W", "1920x1440W", "960x600W"}};
        EXPECT_EQ(window_->modes, expected[scale - 2]);
        EXPECT_EQ(Geometry(), std::to_string(320 * scale) + "x" + std::to_string(200 * scale) +
                                  " scale " + std::to_string(scale) + " at (0, 0)");
    }
}

TEST_F(PresentTest, ScaledFramesShowEveryPagePixelAsASquare) {
    struct Layout {
        const char* what;
        int mode;
        plat::DisplayOptions display;
        uint32_t red, blue;
    };
    const Layout layouts[] = {
        {"mode 12 window at scale 2", 12, {2, false}, 0xFF0000, 0xFF},
        {"mode 7 window at scale 3", 7, {3, false}, 0xFF, 0xFF0000},
        {"mode 7 desktop full screen at scale 5", 7, {1, true}, 0xFF0000, 0xFF},
        {"mode 12 desktop full screen at scale 2", 12, {4, true}, 0xFF0000, 0xFF},
    };
    for (const Layout& layout : layouts) {
        Scr_Startup();
        ShownWindow window(layout.red, 0xFF00, layout.blue);
        window.desktop = {1920, 1080};
        Install(&window, layout.display);
        Scr_SetMode(layout.mode, 0, 0, 0, 1);
        Scr_Color(14, 1, 0, 3);
        Scr_Print("Pronto?", true);
        Scr_FillBox(20, 40, 90, 60, 12);
        Present();
        const PresentGeometry g = Scr_PresentGeometry();
        ASSERT_EQ(window.last_rects.size(), 1u) << layout.what;
        ExpectScreenShowsPage(window, Active(), layout.what);

        // One row changes: only rectangles covering that row's squares are shown.
        Scr_FillBox(50, 70, 130, 70, 10);
        window.shown[static_cast<size_t>(g.offsetY + 70 * g.scale) * g.surfaceWidth + g.offsetX +
                     50 * g.scale] = 0x5EED5EED;
        Present();
        ASSERT_FALSE(window.last_rects.empty()) << layout.what;
        for (const plat::SurfaceRect& r : window.last_rects) {
            EXPECT_EQ(r.y, g.offsetY + 70 * g.scale) << layout.what;
            EXPECT_EQ(r.height, g.scale) << layout.what;
            EXPECT_LE(r.x, g.offsetX + 50 * g.scale) << layout.what;
            EXPECT_GE(r.x + r.width, g.offsetX + 131 * g.scale) << layout.what;
            EXPECT_LE(r.width, 97 * g.scale) << layout.what;
            EXPECT_EQ((r.x - g.offsetX) % g.scale, 0) << layout.what;
        }
        ExpectScreenShowsPage(window, Active(), layout.what);
        // A colour change redraws the whole page.
        Scr_Color(14, 2, 0, 3);
        Present();
        ExpectScreenShowsPage(window, Active(), layout.what);
    }
}

TEST_F(PresentTest, ScaledTextCellsAndCursor) {
    ShownWindow window(0xFF0000, 0xFF00, 0xFF);
    Install(&window, {3, false});
    Scr_Color(14, 4, 0, 3);
    Scr_Print("\x82", false);
    Scr_Locate(2, 1, 1, 6, 7, 31);  // a visible two-line cursor (rows 13 and 14) below it
    for (int frame = 1; frame <= 4; ++frame) Present();  // frame 4: the cursor is on
    ASSERT_EQ(Geometry(), "1920x1200 scale 3 at (0, 0)");
    for (int y = 0; y < 2 * 16 * 3; ++y) {
        for (int x = 0; x < 2 * 8 * 3; ++x) {
            const int px = x / 3, py = y / 3;
            uint32_t expected = 0;
            if (py < 16 && px < 8) {
                expected = kFont8x16[0x82 * 128 + py * 8 + px] != 0 ? 0xFFFF55u : 0xAA0000u;
            } else if (py == 16 + 13 || py == 16 + 14) {
                expected = px < 8 ? 0xAAAAAAu : 0u;
            }
            ASSERT_EQ(window.Shown(x, y), expected) << x << "," << y;
        }
    }
    // The cursor going off shows its cell alone, scaled.
    Present(4);
    ASSERT_EQ(window.last_rects.size(), 1u);
    EXPECT_EQ(window.last_rects[0].x, 0);
    EXPECT_EQ(window.last_rects[0].y, 16 * 3);
    EXPECT_EQ(window.last_rects[0].width, 8 * 3);
    EXPECT_EQ(window.last_rects[0].height, 16 * 3);
    EXPECT_EQ(window.Shown(5, (16 + 13) * 3), 0u);
}

TEST_F(PresentTest, DesktopFullScreenCentresTheLargestWholeScale) {
    window_->desktop = {1920, 1080};
    window_->sizes = {{640, 480}, {800, 600}};  // not used: the monitor keeps its mode
    Install(window_.get(), {3, true});
    Present();
    EXPECT_EQ(Geometry(), "1920x1080 scale 2 at (320, 140)");  // the 640 x 400 text screen
    EXPECT_EQ(Scr_PresentGeometry().fullScreenState, 3);
    EXPECT_FALSE(window_->mouse_visible);
    Scr_SetMode(12, 0, 0, 0, 1);
    Present();
    EXPECT_EQ(Geometry(), "1920x1080 scale 2 at (320, 60)");
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Cls(0, 4, 3);
    Present();
    EXPECT_EQ(Geometry(), "1920x1080 scale 5 at (160, 40)");
    EXPECT_EQ(Scr_PresentedPixel(159, 40), 0x000000u);
    EXPECT_EQ(Scr_PresentedPixel(160, 39), 0x000000u);
    EXPECT_EQ(Scr_PresentedPixel(160, 40), 0xAA0000u);
    EXPECT_EQ(Scr_PresentedPixel(1759, 1039), 0xAA0000u);
    EXPECT_EQ(Scr_PresentedPixel(1760, 1039), 0x000000u);
    EXPECT_EQ(Scr_PresentedPixel(1759, 1040), 0x000000u);

    // Alt+Enter: the window at the chosen scale, and back to the same full screen.
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "960x600 scale 3 at (0, 0)");
    EXPECT_EQ(Scr_PresentGeometry().fullScreenState, 0);
    EXPECT_TRUE(window_->mouse_visible);
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "1920x1080 scale 5 at (160, 40)");
    EXPECT_FALSE(window_->mouse_visible);
    const std::vector<std::string> expected = {"1920x1080F", "960x600W", "1920x1080F"};
    EXPECT_EQ(window_->modes, expected);
}

TEST_F(PresentTest, DesktopFullScreenNeedsAKnownDesktopThatHoldsThePage) {
    // Unknown: the window, at the chosen scale, and Alt+Enter keeps it.
    Install(window_.get(), {2, true});
    Scr_SetMode(12, 0, 0, 0, 1);
    Present();
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "1280x960 scale 2 at (0, 0)");
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 0);
    // A desktop that holds mode 7 but not mode 12: the full screen ends with a mode-12 page.
    Scr_Startup();
    window_->desktop = {800, 450};
    window_->modes.clear();
    Install(window_.get(), {1, true});
    Scr_SetMode(7, 0, 0, 0, 1);
    Present();
    EXPECT_EQ(Geometry(), "800x450 scale 2 at (80, 25)");
    Scr_SetMode(12, 0, 0, 0, 1);
    Present();
    EXPECT_EQ(Geometry(), "640x480 scale 1 at (0, 0)");
    EXPECT_TRUE(window_->mouse_visible);
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "640x480 scale 1 at (0, 0)");
}

TEST_F(PresentTest, ListedFullScreenReturnsToTheScaledWindow) {
    window_->sizes = {{640, 480}, {800, 600}};
    window_->desktop = {1920, 1080};  // not used without the option
    Install(window_.get(), {2, false});
    Scr_SetMode(7, 0, 0, 0, 1);
    Present();
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "640x480 scale 2 at (0, 40)");
    Rt_Words().fullScreenRequests = 1;
    Present();
    EXPECT_EQ(Geometry(), "640x400 scale 2 at (0, 0)");
    const std::vector<std::string> expected = {"640x400W", "640x480F", "640x400W"};
    EXPECT_EQ(window_->modes, expected);
}

}  // namespace

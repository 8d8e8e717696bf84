// Presenting frames (changed, unchanged, one line changed) in modes 12, 7 and text, in the
// plain window, in a window at scale 2 and in a 1920 x 1080 desktop-sized full screen, the replay
// driver's snapshot, and their anchors: memcpy of the output frame, memcmp of the page and a
// plain palette-lookup loop.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "errors.h"
#include "low_memory.h"
#include "memory_window.h"
#include "platform.h"
#include "screen.h"
#include "screen_snapshot.h"
#include "sdl_session.h"
#include "shared_words.h"

namespace {

// Time that never moves: the presenter asks for it only in mode 10.
class StillClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return 0; }
    void delay_ms(uint32_t) override {}
    plat::TimeOfDay local_time() override { return {}; }
};

// The screen runtime on one window, in one mode, without its threads.
class Screen {
  public:
    Screen(plat::Window* window, int mode, plat::DisplayOptions display = {}) {
        plat::Plat_Install(plat::Platform{});
        Rt_ResetWords();
        Rt_ClearLowMemory();
        Scr_Startup();
        plat::Platform platform;
        platform.clock = &clock_;
        platform.window = window;
        platform.display = display;
        plat::Plat_Install(platform);
        if (mode != 0) Scr_SetMode(mode, 0, 0, 0, 1);
    }
    ~Screen() {
        Rt_ResetWords();
        plat::Plat_Install(plat::Platform{});
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

  private:
    StillClock clock_;
};

// Fills the visual page (or only one of its rows: a pixel row, or a row of text cells) with a
// varied picture; every byte differs between phase 0 and phase 1. Goes through the runtime's
// own pixel writes, as drawing does.
void DrawPattern(int phase, int only_row = -1) {
    ImagePage& page = *Scr_VisualPage();
    const int row_bytes = page.width * (page.text != 0 ? 2 : 1);
    for (int y = 0; y < page.height; ++y) {
        if (only_row >= 0 && y != only_row) continue;
        uint8_t* row = page.store + static_cast<size_t>(y) * row_bytes;
        for (int x = 0; x < row_bytes; ++x) {
            uint8_t value = static_cast<uint8_t>((x * 7 + y * 3 + phase) & 15);
            if (page.text != 0) {
                value = (x & 1) == 0 ? static_cast<uint8_t>(33 + (x * 5 + y + phase) % 90)
                                     : static_cast<uint8_t>(1 + (x + y + phase) % 15);
            }
            Pix_Store(row + x, value);
        }
    }
}

enum class Change { Whole, Nothing, OneLine, SameBytes };

// Output frame and page of a mode, for the anchors' names.
struct Sizes {
    size_t frame_bytes;
    size_t page_bytes;
};
Sizes SizesOf(int mode) {
    switch (mode) {
        case 12:
            return {640 * 480 * 4, 640 * 480};
        case 7:
            return {320 * 200 * 4, 320 * 200};
        default:
            return {640 * 400 * 4, 80 * 25 * 2};
    }
}

void PresentFrames(benchmark::State& state, int mode, Change change,
                   plat::DisplayOptions display = {}) {
    // A desktop to fill for the full-screen figures.
    plat::MemoryWindow window({}, 0, {1920, 1080});
    Screen screen(&window, mode, display);
    DrawPattern(0);
    Scr_Present();
    const int line = mode == 0 ? 12 : 100;
    int phase = 0;
    for (auto _ : state) {
        if (change != Change::Nothing) {
            state.PauseTiming();
            if (change != Change::SameBytes) phase ^= 1;
            DrawPattern(phase, change == Change::OneLine ? line : -1);
            state.ResumeTiming();
        }
        Scr_Present();
    }
    const Sizes sizes = SizesOf(mode);
    if (display.window_scale != 1 || display.desktop_full_screen) {
        // The frame drawn is larger: the anchor is a copy of the surface's pixels.
        const plat::VideoSurface* surface = Scr_CurrentSurface();
        bench::Anchor(state, {"memcpy/" + std::to_string(surface->width * surface->height * 4)});
    } else if (change == Change::Whole && mode == 0) {
        bench::Anchor(state, {"memcpy/" + std::to_string(sizes.frame_bytes)});
    } else if (change == Change::Whole) {
        bench::Anchor(state, {"memcpy/" + std::to_string(sizes.frame_bytes),
                              "lookup/" + std::to_string(sizes.page_bytes)});
    } else {
        bench::Anchor(state, {"memcmp/" + std::to_string(sizes.page_bytes)});
    }
}

// Drawing itself: clearing the whole mode-12 page, every pixel through the runtime's writer.
void ClearPage(benchmark::State& state) {
    plat::MemoryWindow window;
    Screen screen(&window, 12);
    int colour = 0;
    for (auto _ : state) {
        Scr_Cls(0, colour, 3);
        colour = (colour + 1) & 15;
    }
    bench::Anchor(state, {"memcpy/" + std::to_string(SizesOf(12).page_bytes)});
}

// Drawing text: a row of 80 characters in mode 12.
void PrintRow(benchmark::State& state) {
    plat::MemoryWindow window;
    Screen screen(&window, 12);
    const RtString row(80, 'A');
    for (auto _ : state) {
        Scr_Locate(1, 1, 0, 0, 0, 3);
        Scr_Print(row, false);
    }
    bench::Anchor(state, {});
}

// The same on the real window (the driver the process was started with: dummy, or x11 under
// an X server), timed on the wall clock: what the window's update costs.
void PresentInWindow(benchmark::State& state, Change change) {
    setenv("SDL_VIDEODRIVER",
           bench::Config().video_driver.empty() ? "dummy" : bench::Config().video_driver.c_str(),
           1);
    plat::SdlSession session;
    std::string error;
    if (!session.start_sdl(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    Screen screen(window.get(), 12);
    DrawPattern(0);
    Scr_Present();
    int phase = 0;
    for (auto _ : state) {
        state.PauseTiming();
        phase ^= 1;
        DrawPattern(phase, change == Change::OneLine ? 100 : -1);
        state.ResumeTiming();
        Scr_Present();
    }
    state.SetLabel("wall");
}

// As the replay driver polls the screen: a fresh snapshot each time, with the window's
// picture or the page alone.
void TakeSnapshots(benchmark::State& state, SnapshotParts parts) {
    plat::MemoryWindow window;
    Screen screen(&window, 12);
    DrawPattern(0);
    Scr_Present();
    for (auto _ : state) {
        ScreenSnapshot snapshot;
        Snapshot_Take(snapshot, parts);
        benchmark::DoNotOptimize(snapshot.pixels.data());
    }
    bench::Anchor(state, {"memcpy/" + std::to_string(SizesOf(12).frame_bytes)});
}

const bool g_registered = [] {
    const struct {
        const char* name;
        Change change;
    } changes[] = {{"changed", Change::Whole},
                   {"unchanged", Change::Nothing},
                   {"one_line", Change::OneLine},
                   {"same_bytes", Change::SameBytes}};
    for (const int mode : {12, 7, 0}) {
        const std::string mode_name = mode == 0 ? "text" : std::to_string(mode);
        for (const auto& change : changes) {
            benchmark::RegisterBenchmark(("present/" + mode_name + "/" + change.name).c_str(),
                                         PresentFrames, mode, change.change,
                                         plat::DisplayOptions{});
        }
    }
    // Scaled frames: the window at scale 2, and the full screen at 1920 x 1080 (mode 12 and text
    // at scale 2, mode 7 at scale 5).
    for (const int mode : {12, 7, 0}) {
        const std::string mode_name = mode == 0 ? "text" : std::to_string(mode);
        for (const auto& change : {changes[0], changes[2]}) {
            benchmark::RegisterBenchmark(
                ("present/" + mode_name + "/" + change.name + "/scale2").c_str(), PresentFrames,
                mode, change.change, plat::DisplayOptions{2, false});
            benchmark::RegisterBenchmark(
                ("present/" + mode_name + "/" + change.name + "/desktop").c_str(), PresentFrames,
                mode, change.change, plat::DisplayOptions{1, true});
        }
    }
    benchmark::RegisterBenchmark("memcpy", bench::Memcpy)->Arg(int64_t{1920} * 1080 * 4);
    // Mode 7 at scale 2 is as large as the text screen, whose copy is registered below.
    for (const int mode : {12, 0}) {
        benchmark::RegisterBenchmark("memcpy", bench::Memcpy)
            ->Arg(static_cast<int64_t>(SizesOf(mode).frame_bytes) * 4);
    }
    benchmark::RegisterBenchmark("window/12/changed", PresentInWindow, Change::Whole)
        ->UseRealTime();
    benchmark::RegisterBenchmark("window/12/one_line", PresentInWindow, Change::OneLine)
        ->UseRealTime();
    benchmark::RegisterBenchmark("draw/cls_12", ClearPage);
    benchmark::RegisterBenchmark("draw/print_row_12", PrintRow);
    benchmark::RegisterBenchmark("memcpy", bench::Memcpy)
        ->Arg(static_cast<int64_t>(SizesOf(12).page_bytes));
    benchmark::RegisterBenchmark("snapshot/12", TakeSnapshots, SnapshotParts::PageAndWindow);
    benchmark::RegisterBenchmark("snapshot/12/page_only", TakeSnapshots, SnapshotParts::Page);
    for (const int mode : {12, 7, 0}) {
        const Sizes sizes = SizesOf(mode);
        benchmark::RegisterBenchmark("memcpy", bench::Memcpy)
            ->Arg(static_cast<int64_t>(sizes.frame_bytes));
        benchmark::RegisterBenchmark("memcmp", bench::Memcmp)
            ->Arg(static_cast<int64_t>(sizes.page_bytes));
        if (mode != 0) {
            benchmark::RegisterBenchmark("lookup", bench::Lookup)
                ->Arg(static_cast<int64_t>(sizes.page_bytes));
        }
    }
    return true;
}();

}  // namespace

// A window that is only memory: the presenter draws into it and its owner reads the pixels back.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "window.h"

namespace plat {

// Where each colour channel sits in a 32-bit pixel of the surface.
struct ChannelMasks {
    uint32_t red = 0xFF0000;
    uint32_t green = 0x00FF00;
    uint32_t blue = 0x0000FF;
};

// Its surface is plain memory, filled with `fill` at every new mode, and nothing shows it. It
// has no events, no cursor and no full-screen sizes; its desktop is `desktop` (unknown: 0 x 0). The presenter's thread writes `pixels` and
// counts `updates`; the owner reads them once a frame is done.
class MemoryWindow : public Window {
  public:
    explicit MemoryWindow(ChannelMasks masks = {}, uint32_t fill = 0, ScreenSize desktop = {})
        : masks_(masks), fill_(fill), desktop_(desktop) {}

    bool poll_event(WindowEvent&) override { return false; }
    void inject_event(const WindowEvent&) override {}
    uint8_t app_state() override { return 6; }
    void enable_key_repeat(int, int) override {}
    LockKeyState lock_keys() override { return {}; }
    std::vector<ScreenSize> full_screen_sizes(bool& any_size) override;
    ScreenSize desktop_size() override { return desktop_; }
    VideoSurface* set_video_mode(int width, int height, bool full_screen) override;
    void update() override { updates.fetch_add(1, std::memory_order_acq_rel); }
    void set_caption(const std::string&) override {}
    void set_icon_bmp(const uint8_t*, size_t) override {}
    void set_cursor(const std::vector<std::string>&, int, int) override {}
    void show_cursor(bool) override {}
    void free_cursor() override {}

    // One word per pixel, its channels where the masks put them (0xRRGGBB with the default
    // masks, as the PNG writer takes them).
    std::vector<uint32_t> pixels;
    VideoSurface surface;
    std::atomic<int> updates{0};

  private:
    ChannelMasks masks_;
    uint32_t fill_ = 0;
    ScreenSize desktop_;
};

}  // namespace plat

// The memory window's surface.
#include "memory_window.h"

namespace plat {

std::vector<ScreenSize> MemoryWindow::full_screen_sizes(bool& any_size) {
    any_size = false;
    return {};
}

VideoSurface* MemoryWindow::set_video_mode(int width, int height, bool /*full_screen*/) {
    pixels.assign(static_cast<size_t>(width) * height, fill_);
    surface.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    surface.width = width;
    surface.height = height;
    surface.pitch_bytes = width * 4;
    surface.red_mask = masks_.red;
    surface.green_mask = masks_.green;
    surface.blue_mask = masks_.blue;
    return &surface;
}

}  // namespace plat

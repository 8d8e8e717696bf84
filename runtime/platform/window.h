// The window seam: video surface, window events, key repeat, lock keys and full-screen sizes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// One window event in the runtime's own terms. Key symbols, modifiers and Unicode values are
// SDL 1.2's numbers, because the runtime's key codes are built from them (100000 + symbol).
struct WindowEvent {
    enum class Kind : uint8_t { None, KeyDown, KeyUp, Quit, MouseButtonDown, Other };
    Kind kind = Kind::None;
    uint32_t sym = 0;      // SDLKey value
    uint32_t mod = 0;      // SDLMod bits at the time of the event
    uint16_t unicode = 0;  // translated character, 0 if none
    uint8_t scancode = 0;
    uint8_t button = 0;  // mouse button for MouseButtonDown
    int x = 0;           // mouse position for MouseButtonDown
    int y = 0;
};

// The surface that the presenter draws into, in 32-bit pixels.
struct VideoSurface {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch_bytes = 0;
    uint32_t red_mask = 0;
    uint32_t green_mask = 0;
    uint32_t blue_mask = 0;
};

// A part of the surface, in its pixels.
struct SurfaceRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ScreenSize {
    int width = 0;
    int height = 0;
};

// Lock keys as the operating system sees them (the stand-in for GetKeyState).
struct LockKeyState {
    bool caps_toggled = false;
    bool num_toggled = false;
    bool scroll_toggled = false;
    bool scroll_down = false;
    bool left_shift = false;
    bool right_shift = false;
    bool left_ctrl = false;
    bool right_ctrl = false;
    bool left_alt = false;
    bool right_alt = false;
};

class Window {
public:
    virtual ~Window() = default;

    // Next pending event; false when none is queued.
    virtual bool poll_event(WindowEvent& event) = 0;
    // Adds an event behind the queued ones (tests and the replay driver type through this).
    virtual void inject_event(const WindowEvent& event) = 0;
    // SDL_GetAppState bits: 1 mouse focus, 2 input focus, 4 active.
    virtual uint8_t app_state() = 0;
    virtual void enable_key_repeat(int delay_ms, int interval_ms) = 0;
    virtual LockKeyState lock_keys() = 0;

    // Full-screen sizes offered by the display; `any_size` when every size would do.
    virtual std::vector<ScreenSize> full_screen_sizes(bool& any_size) = 0;
    // The desktop's size as it was before the program first set a video mode; {0, 0} when
    // unknown. A full-screen surface of exactly this size leaves the monitor's mode alone.
    virtual ScreenSize desktop_size() { return {}; }
    // A new 32-bit surface of that size, in a window or full screen; nullptr on failure.
    virtual VideoSurface* set_video_mode(int width, int height, bool full_screen) = 0;
    // Shows the whole surface.
    virtual void update() = 0;
    // Shows only these parts of the surface, all at once; a window that cannot show parts
    // shows the whole surface.
    virtual void update_rects(const std::vector<SurfaceRect>& rects) {
        (void)rects;
        update();
    }

    virtual void set_caption(const std::string& caption) = 0;
    virtual void set_icon_bmp(const uint8_t* bmp_bytes, size_t length_bytes) = 0;
    // Mouse cursor from a text picture: 'X' black, '.' white, ' ' transparent; rows equal length.
    virtual void set_cursor(const std::vector<std::string>& picture, int hot_x, int hot_y) = 0;
    virtual void show_cursor(bool visible) = 0;
    // Frees the cursor made by set_cursor (the shutdown does this before video closes).
    virtual void free_cursor() = 0;
};

// The real window, through SDL 1.2 (works under the dummy video driver too).
std::unique_ptr<Window> MakeSdlWindow();

}  // namespace plat

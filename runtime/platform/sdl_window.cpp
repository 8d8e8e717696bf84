// The real window through SDL 1.2.
#include <SDL.h>

#include <algorithm>

#include "window.h"
#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include "web_keys.h"
#endif

namespace plat {

namespace {

// SDL frees the cursor in use when video closes, so ours is freed only while video is open.
struct CursorDeleter {
    void operator()(SDL_Cursor* cursor) const {
        if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_FreeCursor(cursor);
    }
};
struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

WindowEvent FromSdl(const SDL_Event& in) {
    WindowEvent out;
    switch (in.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out.kind = in.type == SDL_KEYDOWN ? WindowEvent::Kind::KeyDown : WindowEvent::Kind::KeyUp;
            out.sym = static_cast<uint32_t>(in.key.keysym.sym);
            out.mod = static_cast<uint32_t>(in.key.keysym.mod);
            out.unicode = in.key.keysym.unicode;
#ifdef __EMSCRIPTEN__
            out.sym = WebKeySym(out.sym);
            out.unicode = WebKeyUnicode(out.sym, in.key.keysym.unicode);
#endif
            out.scancode = in.key.keysym.scancode;
            break;
        case SDL_QUIT:
            out.kind = WindowEvent::Kind::Quit;
            break;
        case SDL_MOUSEBUTTONDOWN:
            out.kind = WindowEvent::Kind::MouseButtonDown;
            out.button = in.button.button;
            out.x = in.button.x;
            out.y = in.button.y;
            break;
        default:
            out.kind = WindowEvent::Kind::Other;
            break;
    }
    return out;
}

class SdlWindow final : public Window {
public:
    bool poll_event(WindowEvent& event) override {
        SDL_Event sdl_event;
        if (SDL_PollEvent(&sdl_event) == 0) return false;
        event = FromSdl(sdl_event);
        return true;
    }

    void inject_event(const WindowEvent& event) override {
        SDL_Event sdl_event{};
        switch (event.kind) {
            case WindowEvent::Kind::KeyDown:
            case WindowEvent::Kind::KeyUp:
                sdl_event.type = event.kind == WindowEvent::Kind::KeyDown ? SDL_KEYDOWN : SDL_KEYUP;
                sdl_event.key.state = event.kind == WindowEvent::Kind::KeyDown ? SDL_PRESSED : SDL_RELEASED;
                sdl_event.key.keysym.sym = static_cast<SDLKey>(event.sym);
                sdl_event.key.keysym.mod = static_cast<SDLMod>(event.mod);
                sdl_event.key.keysym.unicode = event.unicode;
                sdl_event.key.keysym.scancode =
                    static_cast<decltype(sdl_event.key.keysym.scancode)>(event.scancode);
                break;
            case WindowEvent::Kind::Quit:
                sdl_event.type = SDL_QUIT;
                break;
            case WindowEvent::Kind::MouseButtonDown:
                sdl_event.type = SDL_MOUSEBUTTONDOWN;
                sdl_event.button.button = event.button;
                sdl_event.button.state = SDL_PRESSED;
                sdl_event.button.x = static_cast<Uint16>(event.x);
                sdl_event.button.y = static_cast<Uint16>(event.y);
                break;
            default:
                return;
        }
        SDL_PushEvent(&sdl_event);
    }

    uint8_t app_state() override { return SDL_GetAppState(); }

    void enable_key_repeat(int delay_ms, int interval_ms) override {
        SDL_EnableKeyRepeat(delay_ms, interval_ms);
    }

    LockKeyState lock_keys() override {
        const SDLMod mod = SDL_GetModState();
        LockKeyState state;
        state.caps_toggled = (mod & KMOD_CAPS) != 0;
        state.num_toggled = (mod & KMOD_NUM) != 0;
        state.left_shift = (mod & KMOD_LSHIFT) != 0;
        state.right_shift = (mod & KMOD_RSHIFT) != 0;
        state.left_ctrl = (mod & KMOD_LCTRL) != 0;
        state.right_ctrl = (mod & KMOD_RCTRL) != 0;
        state.left_alt = (mod & KMOD_LALT) != 0;
        state.right_alt = (mod & KMOD_RALT) != 0;
        // SDL 1.2 does not report Scroll Lock; it starts off.
        return state;
    }

    std::vector<ScreenSize> full_screen_sizes(bool& any_size) override {
        any_size = false;
        std::vector<ScreenSize> sizes;
        SDL_Rect** modes = SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE);
        if (modes == reinterpret_cast<SDL_Rect**>(-1)) {
            any_size = true;
        } else if (modes != nullptr) {
            for (int i = 0; modes[i] != nullptr; ++i) sizes.push_back({modes[i]->w, modes[i]->h});
        }
        return sizes;
    }

    ScreenSize desktop_size() override {
        RememberDesktop();
        return desktop_;
    }

    VideoSurface* set_video_mode(int width, int height, bool full_screen) override {
        // Once a mode is set, SDL reports that mode's size instead of the desktop's.
        RememberDesktop();
        SDL_Surface* screen = SDL_SetVideoMode(width, height, 32, full_screen ? SDL_FULLSCREEN : 0);
        if (screen == nullptr) return nullptr;
#ifdef __EMSCRIPTEN__
        // The browser's SDL gives the screen pixels only while it is locked and shows them on
        // the canvas when it is unlocked; so the screen stays locked between frames, and a lock
        // neither reads the canvas back nor clears what was drawn.
        MAIN_THREAD_EM_ASM({
            SDL.defaults.copyOnLock = false;
            SDL.defaults.discardOnLock = true;
        });
        SDL_LockSurface(screen);
#endif
        screen_ = screen;
        surface_.pixels = static_cast<uint8_t*>(screen->pixels);
        surface_.width = screen->w;
        surface_.height = screen->h;
        surface_.pitch_bytes = screen->pitch;
        surface_.red_mask = screen->format->Rmask;
        surface_.green_mask = screen->format->Gmask;
        surface_.blue_mask = screen->format->Bmask;
        return &surface_;
    }

    void update() override {
        if (screen_ != nullptr) SDL_UpdateRect(screen_, 0, 0, 0, 0);
        show_on_canvas();
    }

    void update_rects(const std::vector<SurfaceRect>& rects) override {
        if (screen_ == nullptr) return;
        show_on_canvas();
        sdl_rects_.clear();
        for (const SurfaceRect& rect : rects) {
            // SDL's rectangles must lie inside the surface.
            const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
            const int x1 = std::min(rect.x + rect.width, screen_->w);
            const int y1 = std::min(rect.y + rect.height, screen_->h);
            if (x1 <= x0 || y1 <= y0) continue;
            sdl_rects_.push_back({static_cast<Sint16>(x0), static_cast<Sint16>(y0),
                                  static_cast<Uint16>(x1 - x0), static_cast<Uint16>(y1 - y0)});
        }
        if (!sdl_rects_.empty()) {
            SDL_UpdateRects(screen_, static_cast<int>(sdl_rects_.size()), sdl_rects_.data());
        }
    }

    void set_caption(const std::string& caption) override {
        SDL_WM_SetCaption(caption.c_str(), nullptr);
    }

    void set_icon_bmp(const uint8_t* bmp_bytes, size_t length_bytes) override {
        SDL_RWops* stream = SDL_RWFromConstMem(bmp_bytes, static_cast<int>(length_bytes));
        if (stream == nullptr) return;
        std::unique_ptr<SDL_Surface, SurfaceDeleter> icon(SDL_LoadBMP_RW(stream, 1));
        if (icon) SDL_WM_SetIcon(icon.get(), nullptr);
    }

    void set_cursor(const std::vector<std::string>& picture, int hot_x, int hot_y) override {
        if (picture.empty()) return;
        const int width = static_cast<int>(picture[0].size());
        const int height = static_cast<int>(picture.size());
        if (width % 8 != 0) return;
        std::vector<Uint8> data(static_cast<size_t>(width / 8 * height), 0);
        std::vector<Uint8> mask(data.size(), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const size_t byte = static_cast<size_t>(y * width / 8 + x / 8);
                const Uint8 bit = static_cast<Uint8>(0x80 >> (x % 8));
                const char c = x < static_cast<int>(picture[y].size()) ? picture[y][x] : ' ';
                if (c == 'X') {
                    data[byte] |= bit;
                    mask[byte] |= bit;
                } else if (c == '.') {
                    mask[byte] |= bit;
                }
            }
        }
        cursor_.reset(SDL_CreateCursor(data.data(), mask.data(), width, height, hot_x, hot_y));
        if (cursor_) SDL_SetCursor(cursor_.get());
    }

    void show_cursor(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    void free_cursor() override { cursor_.reset(); }

private:
    void RememberDesktop() {
        if (desktop_known_ || SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
        desktop_known_ = true;
        const SDL_VideoInfo* info = SDL_GetVideoInfo();
        if (info != nullptr && info->current_w > 0 && info->current_h > 0) {
            desktop_ = {info->current_w, info->current_h};
        }
    }

    // The browser shows the whole screen when it is unlocked (its own rectangles are ignored).
    void show_on_canvas() {
#ifdef __EMSCRIPTEN__
        if (screen_ == nullptr) return;
        SDL_UnlockSurface(screen_);
        SDL_LockSurface(screen_);
#endif
    }

    SDL_Surface* screen_ = nullptr;    // owned by SDL
    std::vector<SDL_Rect> sdl_rects_;  // kept between frames, so updating allocates nothing
    VideoSurface surface_;
    std::unique_ptr<SDL_Cursor, CursorDeleter> cursor_;
    bool desktop_known_ = false;
    ScreenSize desktop_;  // {0, 0}: unknown
};

}  // namespace

std::unique_ptr<Window> MakeSdlWindow() { return std::make_unique<SdlWindow>(); }

}  // namespace plat

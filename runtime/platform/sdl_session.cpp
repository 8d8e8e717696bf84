// The SDL libraries' lifetime for one run of the runtime.
#include "sdl_session.h"

#include <SDL.h>
#include <SDL_ttf.h>

namespace plat {

namespace {
struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
}  // namespace

struct SdlSession::State {
    bool sdl = false;
    bool ttf = false;
    std::unique_ptr<SDL_Surface, SurfaceDeleter> scratch;
};

SdlSession::SdlSession() : state_(std::make_unique<State>()) {}

SdlSession::~SdlSession() {
    state_->scratch.reset();
    if (state_->ttf) TTF_Quit();
    if (state_->sdl) SDL_Quit();
}

bool SdlSession::start_sdl(std::string& error) {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_CDROM) < 0) {
        error = SDL_GetError();
        return false;
    }
    state_->sdl = true;
    return true;
}

bool SdlSession::start_ttf() {
    if (TTF_Init() < 0) return false;
    state_->ttf = true;
    return true;
}

bool SdlSession::make_scratch_surface() {
    state_->scratch.reset(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 2048, 32, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
    return state_->scratch != nullptr;
}

void SdlSession::enable_unicode() { SDL_EnableUNICODE(1); }

}  // namespace plat

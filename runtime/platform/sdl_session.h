// The SDL libraries' lifetime for one run of the runtime: SDL, SDL_ttf, the scratch surface.
#pragma once

#include <memory>
#include <string>

namespace plat {

// Opens what the start-up asks for, step by step, and closes all of it when destroyed.
class SdlSession {
public:
    SdlSession();
    ~SdlSession();
    SdlSession(const SdlSession&) = delete;
    SdlSession& operator=(const SdlSession&) = delete;

    // SDL with timer, audio, video and CD-ROM; on failure `error` holds SDL's message.
    bool start_sdl(std::string& error);
    bool start_ttf();
    // The 2048 x 32 surface on which an input-method composition line would be drawn.
    bool make_scratch_surface();
    void enable_unicode();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace plat

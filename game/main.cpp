// The Brunolt executable: the game's main module on the runtime with the real seams.
#include "game_state.h"
#include "runtime_main.h"

int main(int argc, char** argv) {
    plat::SdlClock clock;
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    const std::unique_ptr<plat::Mixer> mixer = plat::MakeSdlMixer();
    plat::Platform platform;
    platform.clock = &clock;
    platform.window = window.get();
    platform.mixer = mixer.get();
    return RuntimeMain(argc, argv, platform, GameMain);
}

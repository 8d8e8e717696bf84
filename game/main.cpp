// The Brunolt executable: the game's main module on the runtime with the real seams.
#include "game_state.h"
#include "runtime_main.h"

int main(int argc, char** argv) { return RuntimeMain(argc, argv, RealPlatform(), GameMain); }

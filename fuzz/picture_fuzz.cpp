// Fuzz target: an arbitrary picture file loaded into a buffer of every size the game uses and
// put at every place the game puts a picture of that size, in the screen mode it is put in.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_runtime.h"
#include "graphics.h"
#include "low_memory.h"
#include "pictures.h"
#include "screen.h"

namespace {

constexpr int32_t kGameMode = 12;   // 640 x 480: every screen but the high scores
constexpr int32_t kScoresMode = 7;  // 320 x 200: the high-score screen

struct Place {
    int32_t x;
    int32_t y;
    int32_t action;
    bool operator<(const Place& other) const {
        return std::tie(x, y, action) < std::tie(other.x, other.y, other.action);
    }
};

// The places of one buffer size in one mode.
struct PlaceGroup {
    int32_t words;
    int32_t mode;
    std::set<Place> places;
};

std::vector<PlaceGroup> GamePlaces() {
    PlaceGroup line{kLinePieceWords, kGameMode, {}};
    for (int32_t x = 8; x <= 416; x += 34) line.places.insert({x, 399, kPutOverwrite});
    line.places.insert({420, 399, kPutOverwrite});

    PlaceGroup tile{kTileWords, kGameMode, {}};
    for (int32_t x = 3; x <= 588; x += 45) {  // the instructions screen's border
        tile.places.insert({x, 1, kPutOverwrite});
        tile.places.insert({x, 449, kPutOverwrite});
    }
    for (int32_t y = 29; y <= 421; y += 28) {
        tile.places.insert({3, y, kPutOverwrite});
        tile.places.insert({588, y, kPutOverwrite});
    }
    for (int32_t sum = 1; sum <= 54; ++sum) {  // the small telephone and its eraser
        tile.places.insert({8 * sum + 11, 384, kPutOverwrite});
        tile.places.insert({8 * sum, 384, kPutOverwrite});
    }
    for (int32_t y : {190, 191}) tile.places.insert({208, y, kPutExclusiveOr});  // portrait
    for (int32_t i = 1; i <= 10; ++i) {  // the suspect list's photographs
        tile.places.insert({587, 32 * i + 66, kPutOverwrite});
        tile.places.insert({587, 32 * i + 66, kPutExclusiveOr});
    }

    PlaceGroup frame{kPortraitFrameWords, kGameMode, {}};
    frame.places.insert({206, 190, kPutOverwrite});
    for (int32_t i = 1; i <= 10; ++i) frame.places.insert({585, 32 * i + 66, kPutExclusiveOr});

    PlaceGroup title{kTitlePictureWords, kGameMode, {{76, 40, kPutOverwrite}}};

    PlaceGroup scores{kTileWords, kScoresMode, {}};
    for (int32_t x = 0; x <= 280; x += 40) {
        for (int32_t y : {1, 97, 169}) scores.places.insert({x, y, kPutOverwrite});
    }
    for (int32_t y = 25; y <= 145; y += 24) {
        scores.places.insert({0, y, kPutOverwrite});
        scores.places.insert({280, y, kPutOverwrite});
    }
    return {line, tile, frame, title, scores};
}

fuzz::ScratchFolder* g_folder = nullptr;
const std::vector<PlaceGroup>* g_groups = nullptr;
int32_t g_mode = 0;

void UseMode(int32_t mode) {
    if (g_mode == mode) return;
    STMT(Scr_SetMode(mode, 0, 0, 0, 1));
    g_mode = mode;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzz::StartProgramThread();
    Rt_ClearLowMemory();
    Scr_Startup();
    UseMode(kGameMode);
    static fuzz::ScratchFolder folder;
    static const std::vector<PlaceGroup> groups = GamePlaces();
    g_folder = &folder;
    g_groups = &groups;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = g_folder->Write("picture.grh", data, size);
    for (const PlaceGroup& group : *g_groups) {
        PictureBuffer buffer(group.words);
        END_STATEMENT;
        fuzz::ResetStatement();
        LoadPicture(file, buffer);
        if (Err_IsPending()) {  // refused: the game shows the box and goes on without it
            fuzz::ResetStatement();
            continue;
        }
        UseMode(group.mode);
        for (const Place& place : group.places) {
            // A refused put is answered as the player does, going on; without the box itself,
            // whose words on standard error would drown the fuzzer's.
            PutPicture(place.x, place.y, buffer, place.action);
            fuzz::ResetStatement();
        }
    }
    UseMode(kGameMode);
    fuzz::ResetStatement();
    return 0;
}

// Fuzz target: an arbitrary tempo.max read as the game reads it - the qualifying time at the
// start of a game, the five records of the high-score screen listed as the screen lists them -
// then ranked with a new time and prepared for rewriting.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "files.h"
#include "fuzz_runtime.h"
#include "high_scores_table.h"
#include "low_memory.h"
#include "screen.h"
#include "sound.h"
#include "virtual_mixer.h"

namespace {

fuzz::ScratchFolder* g_folder = nullptr;

void PrintAt(int64_t row, int64_t column, const RtString& text, bool new_line) {
    STMT(Scr_Locate(row, column, 0, 0, 0, 3));
    STMT(Scr_Print(text, new_line));
}

// Place w as the screen lists a record read from the file.
void ListPlace(int w, const RtString& name, const RtString& time) {
    const ListedTime listed = ListTime(time);
    END_STATEMENT;
    STMT(Scr_Color(ListColour(w), 0, 0, 1));
    PrintAt(ListRow(w), kListColumn, PlaceText(static_cast<int16_t>(w)) + name, false);
    STMT(Scr_Print(Scr_Tab(listed.column), false);
         Scr_Print(listed.minutes + "," + listed.seconds, false);
         Scr_Print(Scr_Tab(kMinutesWordColumn), false); Scr_Print("Minuti", true));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // A bell in a name beeps: the sound runtime needs a mixer.
    static plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.mixer = &mixer;
    fuzz::StartProgramThread(platform);
    Rt_ClearLowMemory();
    Scr_Startup();
    STMT(Scr_SetMode(7, 0, 0, 0, 1));
    static fuzz::ScratchFolder folder;
    g_folder = &folder;
    // The game reads tempo.max from its working directory.
    if (::chdir(folder.path().c_str()) != 0) {
        std::perror("fuzz: chdir");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_folder->Write(kHighScoreFile, data, size);
    int16_t qualifying = 0;
    ReadQualifyingTime(qualifying);

    HighScoreTable table;
    ReadHighScores(table);
    for (int w = 1; w <= kHighScorePlaces; ++w) {
        const auto place = static_cast<size_t>(w);
        ListPlace(w, table.names[place], table.times[place]);
    }
    MergeNewEntry(table, "FUZZ", 734);
    for (size_t w = 1; w <= kHighScorePlaces; ++w) {
        const RtString time = FourDigitTime(table.times[w]);
        (void)RewrittenTimeText(time);
    }
    Snd_Reset();
    fuzz::ResetStatement();
    File_CloseAll();
    return 0;
}

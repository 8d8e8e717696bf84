// brunolt-soak [GAMES]: plays GAMES whole games (200 by default) in one replay process in
// virtual time - won after a look at the suspect list, and timed out after a wrong number, in
// turn - and at the menu after each looks at the resident memory and at what the runtime holds:
// sound slots, queued sounds, open file numbers, blocks of conventional memory. Fails when the
// memory grew by more than 1 MB from game 10 to the last, or when the menu holds more of any
// of them than it did before the first game.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "conventional_memory.h"
#include "files.h"
#include "game_state.h"
#include "platform.h"
#include "replay_driver.h"
#include "sound.h"
#include "tool_usage.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: brunolt-soak [GAMES]\n"
    "  plays GAMES whole games (default 200, at least 11) in one process in virtual time and\n"
    "  reports resident memory at game 10 and at the last; fails on more than 1 MB of growth\n"
    "  after game 10, or on sound slots, queued sounds, file numbers or conventional memory\n"
    "  still in use at the menu that were not in use before the first game\n";
constexpr long kMostGrowthBytes = 1 << 20;

// Under a sanitizer resident memory is mostly the sanitizer's own (shadow memory, freed blocks
// held in quarantine): the growth is reported but not judged there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kJudgeMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kJudgeMemory = false;
#else
constexpr bool kJudgeMemory = true;
#endif
#else
constexpr bool kJudgeMemory = true;
#endif
constexpr int kMeasuredGame = 10;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// What the runtime holds at the menu.
struct Held {
    size_t sound_slots = 0;
    uint32_t queued_sounds = 0;
    size_t file_numbers = 0;
    size_t memory_blocks = 0;

    bool more_than(const Held& o) const {
        return sound_slots > o.sound_slots || queued_sounds > o.queued_sounds ||
               file_numbers > o.file_numbers || memory_blocks > o.memory_blocks;
    }
    std::string text() const {
        std::ostringstream out;
        out << sound_slots << " sound slots, " << queued_sounds << " queued sounds, "
            << file_numbers << " file numbers, " << memory_blocks << " memory blocks";
        return out.str();
    }
};

// The menu, and a game started from it with five minutes to play.
const char* const kStartGame =
    "key left\nkey backspace 9\nkey right\nkey right\nkey right\nkey enter\n"
    "until Numeri occupati: 60000\nclock 10:00:00\n";
const char* const kWonGame =
    "key f4\nuntil Elenco sospetti: 60000\nkey space\nuntil Numeri occupati: 60000\n"
    "dial culprit\nuntil andate a fa 60000\nwait 3000\nkey space\n"
    "until Inserisci il tuo nome 60000\ntype ZZ\nkey enter\nuntil ZZ 60000\nkey space\n";
const char* const kTimedOutGame =
    "dial nonexistent\nuntil Numero inesistente!! 60000\nwait 4000\nclock 10:00:00\n"
    "key right\nuntil Scelta N\xC2\xB0"
    "1 60000\nclock 10:04:30\nuntil Tempo:minuti 1 60000\nclock 10:05:30\n"
    "until Tempo scaduto!!! 60000\n";
// Long enough at the menu for its music to end, so that only what stays is counted.
const char* const kAtTheMenu = "until M  E  N  U 60000\nwait 30000\n";

std::string Script(int games) {
    std::string script = "until Premi un Tasto... 60000\nkey space\n";
    script += kAtTheMenu;
    script += "note 0\n";
    for (int game = 1; game <= games; ++game) {
        script += kStartGame;
        script += game % 2 == 1 ? kWonGame : kTimedOutGame;
        script += kAtTheMenu;
        script += "note " + std::to_string(game) + "\n";
    }
    return script + "close\nexit 0\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    int games = 200;
    if (argc == 2) games = std::atoi(argv[1]);
    if (argc > 2 || games <= kMeasuredGame) return Tool_Usage(kUsage, false);

    char pattern[] = "/tmp/brunolt-soak-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("brunolt-soak: mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    const fs::path data = work / "data";
    fs::create_directory(data);
    const fs::path installed = plat::Plat_ModuleDirectory();
    for (const auto& entry : fs::directory_iterator(installed)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".grh" || ext == ".ogg" || entry.path().filename() == "tempo.max") {
            fs::copy_file(entry.path(), data / entry.path().filename());
        }
    }
    const fs::path script_path = work / "soak.replay";
    std::ofstream(script_path) << Script(games);

    Held before;
    long resident_at_10 = 0, resident_at_end = 0;
    int failures = 0;
    ReplayOptions options;
    options.main_module = GameMain;
    options.script_path = script_path.string();
    options.data_directory = data.string();
    options.start_directory = work.string();
    options.on_note = [&](const std::string& text) {
        const int game = std::atoi(text.c_str());
        Held now;
        now.sound_slots = Snd_SlotsInUse();
        now.queued_sounds = Snd_QueuedCount();
        now.file_numbers = File_OpenCount();
        now.memory_blocks = Rt_ConventionalBlockCount();
        if (game == 0) {
            before = now;
            std::printf("before the first game: %s\n", now.text().c_str());
        } else if (now.more_than(before)) {
            std::printf("after game %d: %s\n", game, now.text().c_str());
            ++failures;
        }
        if (game == kMeasuredGame) resident_at_10 = ResidentBytes();
        if (game == games) resident_at_end = ResidentBytes();
        // Every win reaches the name entry: the table is put back as it was installed.
        fs::copy_file(installed / "tempo.max", data / "tempo.max",
                      fs::copy_options::overwrite_existing);
    };
    ReplayStats stats;
    options.stats = &stats;
    const int result = Replay_Run(options);
    std::error_code error;
    fs::remove_all(work, error);
    if (result != 0) {
        std::printf("brunolt-soak: the games did not run through\n");
        return 1;
    }
    std::printf("%d games in %.0f s of game time\n", games, stats.game_ms / 1000.0);
    const long growth = resident_at_end - resident_at_10;
    std::printf("resident memory: %.1f MB at game %d, %.1f MB at game %d (%+.0f KB)\n",
                resident_at_10 / 1048576.0, kMeasuredGame, resident_at_end / 1048576.0, games,
                growth / 1024.0);
    if (kJudgeMemory && growth > kMostGrowthBytes) {
        std::printf("brunolt-soak: memory grew by more than 1 MB\n");
        ++failures;
    }
    if (failures > 0) return 1;
    std::printf("brunolt-soak: %d games, nothing held at the menu that was not before\n", games);
    return 0;
}

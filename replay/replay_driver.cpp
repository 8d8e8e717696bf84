// The replay driver: the game runs on the start-up and program threads as always, while a
// script thread types keys and reads what the screen shows, through hooks of the runtime.
#include "replay_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cp437.h"
#include "errors.h"
#include "game_observer.h"
#include "key_names.h"
#include "numbers.h"
#include "platform.h"
#include "png_writer.h"
#include "screen_snapshot.h"
#include "script.h"
#include "shared_words.h"
#include "telephone_dial.h"
#include "virtual_mixer.h"
#include "window_box.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kMinimumRealWait{20};

// What the script thread shares with the loop hook (start-up thread) and the trap hook
// (program thread). Requests and answers are atomic words; the data behind them is guarded by
// a mutex that no thread holds while it waits.
struct DriverShared {
    std::mutex mutex;
    std::deque<std::vector<plat::WindowEvent>> presses;
    std::atomic<int32_t> presses_pending{0};
    std::atomic<int32_t> snapshot_request{0};  // 1 asked, 2 ready
    ScreenSnapshot snapshot;
    std::atomic<int32_t> state_request{0};  // 1 asked, 2 ready
    std::atomic<int64_t> seed_request{-1};  // a seed for the random generator, -1 when none
    std::string state_json;
    std::atomic<bool> ended{false};
    std::atomic<int32_t> exit_code{0};
    uint64_t last_injection_pass = 0;  // start-up thread only
};

// The one driver of this process: set before the runtime starts, cleared after it ended.
std::atomic<DriverShared*> g_driver{nullptr};

void DriverLoopHook() {
    DriverShared* driver = g_driver.load(std::memory_order_acquire);
    if (driver == nullptr) return;
    // One press per event pass, as a person types.
    const uint64_t passes = Rt_EventPasses();
    if (passes != driver->last_injection_pass) {
        std::lock_guard<std::mutex> lock(driver->mutex);
        if (!driver->presses.empty()) {
            for (const auto& event : driver->presses.front()) plat::Plat().window->inject_event(event);
            driver->presses.pop_front();
            driver->presses_pending.fetch_sub(1, std::memory_order_acq_rel);
            driver->last_injection_pass = passes;
        }
    }
    if (driver->snapshot_request.load(std::memory_order_acquire) == 1) {
        ScreenSnapshot snapshot;
        if (Snapshot_Take(snapshot)) {
            std::lock_guard<std::mutex> lock(driver->mutex);
            driver->snapshot = std::move(snapshot);
            driver->snapshot_request.store(2, std::memory_order_release);
        }
    }
}

void DriverTrapHook() {
    DriverShared* driver = g_driver.load(std::memory_order_acquire);
    if (driver == nullptr) return;
    const int64_t seed = driver->seed_request.load(std::memory_order_acquire);
    if (seed >= 0) {
        Num_SetRndSeed(static_cast<uint32_t>(seed));
        driver->seed_request.store(-1, std::memory_order_release);
    }
    if (driver->state_request.load(std::memory_order_acquire) != 1) return;
    std::string json = Game_StateJson();
    std::lock_guard<std::mutex> lock(driver->mutex);
    driver->state_json = std::move(json);
    driver->state_request.store(2, std::memory_order_release);
}

std::string Trim(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

bool AllDigits(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A recognised cell matches an expected byte; a cell of one colour is a blank or a full block.
bool CellMatches(const RecognisedCell& cell, uint8_t expected) {
    if (cell.glyph && cell.foreground == cell.background && cell.foreground >= 0) {
        return expected == ' ' || expected == 0xDB || expected == cell.code;
    }
    return cell.code == expected || (expected == ' ' && cell.code == 0xFF);
}

bool RowHasAt(const std::vector<RecognisedCell>& row, size_t column, const std::string& cp437) {
    if (column + cp437.size() > row.size()) return false;
    for (size_t i = 0; i < cp437.size(); ++i) {
        if (!CellMatches(row[column + i], static_cast<uint8_t>(cp437[i]))) return false;
    }
    return true;
}

class Driver {
public:
    Driver(const ReplayOptions& options, plat::ScaledClock& clock, plat::VirtualMixer& mixer,
           DriverShared& shared)
        : options_(options), clock_(clock), mixer_(mixer), shared_(shared) {}

    // Runs every line; false at the first that does not hold.
    bool run(const std::vector<ScriptLine>& lines) {
        for (const ScriptLine& line : lines) {
            line_ = &line;
            if (!execute(line)) return false;
        }
        return true;
    }

    const std::string& failure() const { return failure_; }

private:
    bool fail(const std::string& message) {
        failure_ = options_.script_path + ":" + std::to_string(line_->number) + ": " + message;
        return false;
    }

    std::string output_path(const std::string& name) const {
        const fs::path path(name);
        return path.is_absolute() ? name : (fs::path(options_.start_directory) / path).string();
    }

    uint32_t now_ms() { return clock_.ticks_ms(); }

    // Whether a wait that began at game time `start_ms` has run past `limit_ms` of game time.
    // A busy machine can starve the game while its clock runs on, so a limit never ends
    // before kMinimumRealWait of real time has passed as well.
    bool past(uint32_t start_ms, uint32_t limit_ms, std::chrono::steady_clock::time_point real_start) {
        return now_ms() - start_ms > limit_ms &&
               std::chrono::steady_clock::now() - real_start > kMinimumRealWait;
    }

    void press(std::vector<plat::WindowEvent> events) {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.presses.push_back(std::move(events));
        shared_.presses_pending.fetch_add(1, std::memory_order_acq_rel);
    }

    // Waits until every queued press has reached the window's event queue and been read.
    bool drain_presses() {
        const uint32_t start = now_ms();
        const auto real_start = std::chrono::steady_clock::now();
        while (shared_.presses_pending.load(std::memory_order_acquire) > 0) {
            if (shared_.ended.load()) return fail("the game ended while keys were still to be typed");
            if (past(start, 60000, real_start)) return fail("the game read no keys for a minute");
            clock_.delay_ms(4);
        }
        const uint64_t pass = Rt_EventPasses();
        while (Rt_EventPasses() == pass && !shared_.ended.load()) clock_.delay_ms(4);
        return true;
    }

    // The game's state as JSON, read on the program thread at its next statement check.
    bool read_state(std::string& json) {
        shared_.state_request.store(1, std::memory_order_release);
        Rt_Words().checkRequest.store(1, std::memory_order_release);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (shared_.state_request.load(std::memory_order_acquire) != 2) {
            if (shared_.ended.load() || std::chrono::steady_clock::now() > give_up) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            json = shared_.state_json;
        }
        shared_.state_request.store(0, std::memory_order_release);
        return true;
    }

    bool snapshot(ScreenSnapshot& out) {
        shared_.snapshot_request.store(1, std::memory_order_release);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (shared_.snapshot_request.load(std::memory_order_acquire) != 2) {
            if (shared_.ended.load() || std::chrono::steady_clock::now() > give_up) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::lock_guard<std::mutex> lock(shared_.mutex);
        out = shared_.snapshot;
        shared_.snapshot_request.store(0, std::memory_order_release);
        return true;
    }

    std::string screen_dump(const ScreenSnapshot& shot) {
        std::string dump;
        for (const auto& row : Snapshot_TextRows(shot)) dump += "\n  |" + row + "|";
        return dump;
    }

    // Polls the screen until `holds` is true or `limit_ms` of game time have passed.
    template <class Check>
    bool poll_screen(uint32_t limit_ms, Check holds, ScreenSnapshot& last) {
        const uint32_t start = now_ms();
        const auto real_start = std::chrono::steady_clock::now();
        for (;;) {
            if (snapshot(last) && holds(last)) return true;
            if (past(start, limit_ms, real_start) || shared_.ended.load()) return false;
            clock_.delay_ms(30);
        }
    }

    bool execute(const ScriptLine& line) {
        const auto& words = line.words;
        const std::string& command = line.command;
        if (command == "key") {
            if (words.empty() || words.size() > 2) return fail("key NAME [COUNT]");
            const int count = words.size() == 2 ? std::atoi(words[1].c_str()) : 1;
            std::vector<plat::WindowEvent> events;
            if (!Keys_Press(words[0], events)) return fail("unknown key " + words[0]);
            for (int i = 0; i < count; ++i) press(events);
            return drain_presses();
        }
        if (command == "type") {
            for (char c : line.rest) {
                std::vector<plat::WindowEvent> events = Keys_TypeChar(c);
                if (events.empty()) return fail(std::string("cannot type '") + c + "'");
                press(events);
            }
            return drain_presses();
        }
        if (command == "wait") {
            if (words.size() != 1 || !AllDigits(words[0])) return fail("wait MS");
            clock_.delay_ms(static_cast<uint32_t>(std::stoul(words[0])));
            return true;
        }
        if (command == "until") {
            std::string text = Trim(line.rest);
            uint32_t limit = 120000;
            const size_t blank = text.find_last_of(' ');
            if (blank != std::string::npos && AllDigits(text.substr(blank + 1))) {
                limit = static_cast<uint32_t>(std::stoul(text.substr(blank + 1)));
                text = Trim(text.substr(0, blank));
            }
            const std::string wanted = Cp437_FromUtf8(text);
            ScreenSnapshot last;
            const bool seen = poll_screen(limit, [&](const ScreenSnapshot& shot) {
                for (const auto& row : Snapshot_Recognise(shot)) {
                    for (size_t c = 0; c < row.size(); ++c) {
                        if (RowHasAt(row, c, wanted)) return true;
                    }
                }
                if (shot.box_open) {
                    return (shot.box_caption + "\n" + shot.box_text).find(wanted) != std::string::npos;
                }
                return false;
            }, last);
            if (!seen) return fail("expected \"" + text + "\" on the screen, which showed:" + screen_dump(last));
            return true;
        }
        if (command == "expect" || command == "expect-colour") {
            if (words.size() < 3 || !AllDigits(words[0]) || !AllDigits(words[1])) {
                return fail(command + " ROW COL " + (command == "expect" ? "TEXT" : "N"));
            }
            const int row = std::stoi(words[0]);
            const int column = std::stoi(words[1]);
            std::string text;
            if (command == "expect") {
                const size_t after_row = line.rest.find(words[0]) + words[0].size();
                const size_t after_col = line.rest.find(words[1], after_row) + words[1].size();
                text = line.rest.substr(std::min(line.rest.size(), after_col + 1));
            }
            const std::string wanted = Cp437_FromUtf8(text);
            const int colour = command == "expect-colour" ? std::stoi(words[2]) : -1;
            ScreenSnapshot last;
            const bool seen = poll_screen(2000, [&](const ScreenSnapshot& shot) {
                const auto rows = Snapshot_Recognise(shot);
                if (row < 1 || row > static_cast<int>(rows.size())) return false;
                const auto& cells = rows[static_cast<size_t>(row - 1)];
                if (column < 1 || column > static_cast<int>(cells.size())) return false;
                if (colour >= 0) return cells[static_cast<size_t>(column - 1)].foreground == colour;
                return RowHasAt(cells, static_cast<size_t>(column - 1), wanted);
            }, last);
            if (!seen) {
                const auto rows = Snapshot_TextRows(last);
                const std::string shown = row >= 1 && row <= static_cast<int>(rows.size())
                                              ? rows[static_cast<size_t>(row - 1)] : "(no such row)";
                std::string what = colour >= 0 ? "colour " + std::to_string(colour)
                                               : "\"" + text + "\"";
                if (colour >= 0 && row >= 1) {
                    const auto cells = Snapshot_Recognise(last);
                    if (row <= static_cast<int>(cells.size()) && column >= 1 &&
                        column <= static_cast<int>(cells[static_cast<size_t>(row - 1)].size())) {
                        what += " (the cell is drawn in colour " +
                                std::to_string(cells[static_cast<size_t>(row - 1)][static_cast<size_t>(column - 1)].foreground) + ")";
                    }
                }
                return fail("expected " + what + " at row " + words[0] + ", column " + words[1] +
                            "; the row shows |" + shown + "|");
            }
            return true;
        }
        if (command == "clock") {
            const int seconds = words.size() == 1 ? Replay_ParseClock(words[0]) : -1;
            if (seconds < 0) return fail("clock HH:MM:SS");
            clock_.set_time_of_day(seconds);
            return true;
        }
        if (command == "answer") {
            if (words.size() != 1 || (words[0] != "yes" && words[0] != "no")) return fail("answer yes|no");
            const uint32_t start = now_ms();
            const auto real_start = std::chrono::steady_clock::now();
            while (!WindowBox_IsOpen()) {
                if (past(start, 2000, real_start) || shared_.ended.load()) return fail("no message box is open");
                clock_.delay_ms(10);
            }
            std::vector<plat::WindowEvent> events;
            Keys_Press(words[0] == "yes" ? "y" : "n", events);
            press(events);
            return drain_presses();
        }
        if (command == "close") {
            plat::WindowEvent quit;
            quit.kind = plat::WindowEvent::Kind::Quit;
            press({quit});
            return true;
        }
        if (command == "exit") {
            if (words.size() != 1 || !AllDigits(words[0])) return fail("exit CODE");
            const uint32_t start = now_ms();
            const auto real_start = std::chrono::steady_clock::now();
            while (!shared_.ended.load()) {
                if (past(start, 120000, real_start)) {
                    ScreenSnapshot last;
                    snapshot(last);
                    return fail("the game did not end; the screen showed:" + screen_dump(last));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            const int code = shared_.exit_code.load();
            if (code != std::stoi(words[0])) {
                return fail("expected exit code " + words[0] + ", the game ended with " + std::to_string(code));
            }
            return true;
        }
        if (command == "screen" || command == "shot") {
            if (words.size() != 1) return fail(command + " FILE");
            ScreenSnapshot shot;
            if (!snapshot(shot)) return fail("the screen could not be read");
            if (command == "screen") {
                std::ofstream out(output_path(words[0]), std::ios::binary);
                for (const auto& row : Snapshot_TextRows(shot)) out << row << '\n';
                if (!out) return fail("cannot write " + words[0]);
            } else if (!plat::Png_WriteRgb(output_path(words[0]), shot.window_width,
                                           shot.window_height, shot.window_pixels.data())) {
                return fail("cannot write " + words[0]);
            }
            return true;
        }
        if (command == "state") {
            if (words.size() != 1) return fail("state FILE");
            std::string json;
            if (!read_state(json)) return fail("the game's state could not be read");
            std::ofstream out(output_path(words[0]), std::ios::binary);
            out << json << '\n';
            return out ? true : fail("cannot write " + words[0]);
        }
        if (command == "sounds") {
            if (words.size() != 1) return fail("sounds FILE");
            std::ofstream out(output_path(words[0]), std::ios::binary);
            for (const auto& entry : mixer_.log_lines()) out << entry << '\n';
            return out ? true : fail("cannot write " + words[0]);
        }
        if (command == "seed") {
            // The random generator's seed, set on the program thread at its next statement
            // check: what the game draws after it no longer depends on the timer.
            if (words.size() != 1 || !AllDigits(words[0]) || words[0].size() > 8) {
                return fail("seed N (0 to 16777215)");
            }
            const int64_t seed = std::stoll(words[0]);
            if (seed > 0xFFFFFF) return fail("seed N (0 to 16777215)");
            shared_.seed_request.store(seed, std::memory_order_release);
            Rt_Words().checkRequest.store(1, std::memory_order_release);
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (shared_.seed_request.load(std::memory_order_acquire) >= 0) {
                if (shared_.ended.load() || std::chrono::steady_clock::now() > give_up) {
                    return fail("the seed could not be set");
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return true;
        }
        if (command == "dial") {
            if (words.size() != 1) return fail("dial NUMBER|culprit|existing|nonexistent");
            // The attempt before must have ended: a new one starts with no digit dialled.
            std::string json;
            const uint32_t asked = now_ms();
            const auto real_asked = std::chrono::steady_clock::now();
            for (;;) {
                if (!read_state(json)) return fail("the game's state could not be read");
                DialState state;
                if (!Dial_ReadState(json, state) || Dial_Ready(state)) break;
                if (past(asked, 120000, real_asked)) return fail("a number is still being dialled");
                clock_.delay_ms(20);
            }
            std::vector<std::string> keys;
            std::string number;
            const std::string error = Dial_KeysFromState(json, words[0], keys, number);
            if (!error.empty()) return fail(error);
            // Digit by digit, each once the one before has been dialled, so that the key ring
            // never has to hold more than one digit's keys while the pulses sound.
            int digits = 0;
            for (const std::string& key : keys) {
                std::vector<plat::WindowEvent> events;
                if (!Keys_Press(key, events)) return fail("unknown key " + key);
                press(events);
                if (key != "enter") continue;
                if (!drain_presses()) return false;
                if (++digits == 6) break;
                const uint32_t start = now_ms();
                const auto real_start = std::chrono::steady_clock::now();
                for (;;) {
                    if (!read_state(json)) return fail("the game's state could not be read");
                    DialState state;
                    if (Dial_ReadState(json, state) && state.digitCount >= digits) break;
                    if (past(start, 60000, real_start)) return fail("the digit was not dialled");
                    clock_.delay_ms(20);
                }
            }
            return true;
        }
        return fail("unknown command " + command);
    }

    const ReplayOptions& options_;
    plat::ScaledClock& clock_;
    plat::VirtualMixer& mixer_;
    DriverShared& shared_;
    const ScriptLine* line_ = nullptr;
    std::string failure_;
};

// A fresh folder with a copy of the game's data files, removed again when the run ends.
class DataCopy {
public:
    bool make(const std::string& from) {
        char pattern[] = "/tmp/brunolt-replay-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return false;
        path_ = pattern;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(from, error)) {
            const std::string name = entry.path().filename().string();
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".grh" || ext == ".ogg" || name == "tempo.max")) {
                fs::copy_file(entry.path(), fs::path(path_) / name, error);
            }
        }
        return true;
    }
    ~DataCopy() {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

int Replay_ParseClock(const std::string& text) {
    int h = 0, m = 0, s = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &extra) != 3) return -1;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}

int Replay_Run(const ReplayOptions& options) {
    std::ifstream in(options.script_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "brunolt-replay: cannot read %s\n", options.script_path.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<ScriptLine> lines = Script_Parse(text.str());

    // The driver always runs headless.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    DataCopy copy;
    std::string directory = options.data_directory;
    if (directory.empty()) {
        if (!copy.make(plat::Plat_ModuleDirectory())) {
            std::fprintf(stderr, "brunolt-replay: cannot make a temporary folder\n");
            return 1;
        }
        directory = copy.path();
    }

    plat::ScaledClock clock(options.speed, options.clock_seconds_of_day);
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.clock = &clock;
    platform.window = window.get();
    platform.mixer = &mixer;
    platform.module_directory = fs::absolute(directory).string() + "/";

    DriverShared shared;
    g_driver.store(&shared, std::memory_order_release);
    Rt_SetLoopHook(DriverLoopHook);
    Err_SetTrapHook(DriverTrapHook);

    Driver driver(options, clock, mixer, shared);
    std::atomic<bool> script_ok{false};
    std::thread script([&] {
        const bool ok = driver.run(lines);
        script_ok = ok;
        // Whatever the script left running ends like a closed window.
        if (!shared.ended.load()) {
            plat::WindowEvent quit;
            quit.kind = plat::WindowEvent::Kind::Quit;
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.presses.push_back({quit});
            shared.presses_pending.fetch_add(1);
        }
    });

    char name[] = "brunolt-replay";
    char* argv[] = {name, nullptr};
    const int exit_code = RuntimeRun(1, argv, platform, options.main_module);
    shared.exit_code.store(exit_code);
    shared.ended.store(true);
    script.join();
    Rt_SetLoopHook(nullptr);
    Err_SetTrapHook(nullptr);
    g_driver.store(nullptr, std::memory_order_release);

    if (!script_ok.load()) {
        std::fprintf(stderr, "%s\n", driver.failure().c_str());
        return 1;
    }
    return 0;
}

// The replay driver: the game runs on the start-up and program threads as always, while a
// script thread types keys and reads what the screen shows, through hooks of the runtime.
#include "replay_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "cp437.h"
#include "errors.h"
#include "game_observer.h"
#include "key_names.h"
#include "key_typer.h"
#include "numbers.h"
#include "platform.h"
#include "png_writer.h"
#include "screen.h"
#include "screen_snapshot.h"
#include "script.h"
#include "shared_words.h"
#include "telephone_dial.h"
#include "virtual_clock.h"
#include "virtual_mixer.h"
#include "window_box.h"

namespace fs = std::filesystem;

namespace {

// On a clock that runs in real time a busy machine can starve the game while its clock runs
// on, so there a limit never ends before this much real time has passed as well. In virtual
// time the game's clock stands still while anything computes, and its limits are exact.
constexpr std::chrono::seconds kMinimumRealWait{20};
// Virtual time: a game that lets no time pass for this long (real time) hangs; the driver
// then gives up on the whole run.
constexpr std::chrono::seconds kWatchdog{120};
// Game time the program may take to reach its next statement check (state and seed).
constexpr uint32_t kRequestLimitMs = 10000;
// Game time a frame may take to be presented (screen, shot).
constexpr uint32_t kFrameLimitMs = 10000;

// What the script thread asks the loop hook for: the next presented frame, or the next one
// that changed the window (an `until` judges every such frame).
constexpr int32_t kNoFrame = 0;
constexpr int32_t kAnyFrame = 1;
constexpr int32_t kChangedFrame = 2;

// What the script thread shares with the loop hook (start-up thread) and the trap hook
// (program thread). Requests and answers are atomic words; the data behind them is guarded by
// a mutex that no thread holds while it waits. The hooks notify `signal` with every answer.
struct DriverShared {
    plat::Clock* clock = nullptr;
    plat::WakeSignal signal;
    std::mutex mutex;
    KeyTyper typer;
    std::atomic<int32_t> frame_request{kNoFrame};
    std::atomic<bool> frame_ready{false};
    std::atomic<bool> watching{false};  // an `until` or `expect` judges every changed frame
    ScreenSnapshot frame;                         // the last frame served
    std::atomic<bool> served_is_current{false};  // no change presented since it was served
    std::atomic<uint64_t> frames_served{0};
    std::atomic<int32_t> state_request{0};  // 1 asked, 2 ready
    std::atomic<int64_t> seed_request{-1};  // a seed for the random generator, -1 when none
    std::atomic<int32_t> note_request{0};   // 1 asked, 2 done
    std::string note_text;
    const std::function<void(const std::string&)>* on_note = nullptr;
    std::string state_json;
    std::atomic<bool> script_done{false};
    std::atomic<bool> ended{false};
    std::atomic<int32_t> exit_code{0};
    // Start-up thread only.
    uint32_t hook_frames = 0;
    bool served_any = false;
    uint32_t served_updates = 0;
    bool served_box_open = false;
    std::string served_box;

    void notify() {
        if (clock != nullptr) clock->notify(signal);
    }
};

// The one driver of this process: set before the runtime starts, cleared after it ended.
std::atomic<DriverShared*> g_driver{nullptr};

// Frames: served after a pass that presented the visual page, so that the window shows what
// the snapshot holds, and only once the window has been drawn at all.
void ServeFrame(DriverShared& driver) {
    const PresentGeometry geometry = Scr_PresentGeometry();
    if (geometry.frames == driver.hook_frames) return;
    driver.hook_frames = geometry.frames;
    if (geometry.updates == 0) return;
    std::string box;
    const bool box_open = WindowBox_IsOpen();
    if (box_open) {
        std::string caption;
        WindowBox_Contents(caption, box);
        box = caption + "\n" + box;
    }
    const bool changed = !driver.served_any || geometry.updates != driver.served_updates ||
                         box_open != driver.served_box_open || box != driver.served_box;
    driver.served_is_current.store(driver.served_any && !changed, std::memory_order_release);
    int32_t request = driver.frame_request.load(std::memory_order_acquire);
    if (request == kNoFrame && changed && driver.watching.load(std::memory_order_acquire)) {
        // A changed frame while the script still judges the one before: the loop waits for
        // the judgement (in virtual time the script has always judged before the next pass).
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const uint32_t seen = driver.signal.generation();
            request = driver.frame_request.load(std::memory_order_acquire);
            if (request != kNoFrame || !driver.watching.load(std::memory_order_acquire) ||
                driver.script_done.load(std::memory_order_acquire) ||
                std::chrono::steady_clock::now() > give_up) {
                break;
            }
            driver.clock->wait(driver.signal, seen, 100);
        }
    }
    if (request == kNoFrame || (request == kChangedFrame && !changed)) return;
    ScreenSnapshot snapshot;
    if (!Snapshot_Take(snapshot)) return;
    {
        std::lock_guard<std::mutex> lock(driver.mutex);
        driver.frame = std::move(snapshot);
    }
    driver.served_any = true;
    driver.served_updates = geometry.updates;
    driver.served_box_open = box_open;
    driver.served_box = std::move(box);
    driver.served_is_current.store(true, std::memory_order_release);
    driver.frame_request.store(kNoFrame, std::memory_order_release);
    driver.frame_ready.store(true, std::memory_order_release);
    driver.frames_served.fetch_add(1, std::memory_order_relaxed);
    driver.notify();
}

void DriverLoopHook() {
    DriverShared* driver = g_driver.load(std::memory_order_acquire);
    if (driver == nullptr) return;
    // Presses: one per event pass; the event pass after an injection has read it, which is
    // what the script waits for.
    if (driver->typer.serve()) driver->notify();
    ServeFrame(*driver);
}

void DriverTrapHook() {
    DriverShared* driver = g_driver.load(std::memory_order_acquire);
    if (driver == nullptr) return;
    const int64_t seed = driver->seed_request.load(std::memory_order_acquire);
    if (seed >= 0) {
        Num_SetRndSeed(static_cast<uint32_t>(seed));
        driver->seed_request.store(-1, std::memory_order_release);
        driver->notify();
    }
    if (driver->note_request.load(std::memory_order_acquire) == 1) {
        std::string text;
        {
            std::lock_guard<std::mutex> lock(driver->mutex);
            text = driver->note_text;
        }
        if (driver->on_note != nullptr && *driver->on_note) (*driver->on_note)(text);
        driver->note_request.store(2, std::memory_order_release);
        driver->notify();
    }
    if (driver->state_request.load(std::memory_order_acquire) != 1) return;
    std::string json = Game_StateJson();
    {
        std::lock_guard<std::mutex> lock(driver->mutex);
        driver->state_json = std::move(json);
    }
    driver->state_request.store(2, std::memory_order_release);
    driver->notify();
}

std::string Trim(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

// A file written whole: what is still buffered reaches the disk, or the failure shows.
bool Written(std::ofstream& out) {
    out.close();
    return !out.fail();
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
    Driver(const ReplayOptions& options, plat::Clock& clock, plat::VirtualMixer& mixer,
           DriverShared& shared)
        : options_(options), clock_(clock), mixer_(mixer), shared_(shared) {}

    // Runs every line; false at the first that does not hold.
    bool run(const std::vector<ScriptLine>& lines) {
        for (const ScriptLine& line : lines) {
            line_number_.store(line.number, std::memory_order_release);
            line_ = &line;
            if (!execute(line)) return false;
        }
        return true;
    }

    const std::string& failure() const { return failure_; }
    void fail_with(const std::string& message) { fail(message); }
    int line_number() const { return line_number_.load(std::memory_order_acquire); }

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

    // Waits until `done()` holds; false when `limit_ms` of game time passed first (on a clock
    // that runs in real time, also at least kMinimumRealWait of real time) or the game ended.
    // The hooks notify the driver's signal with every answer; a condition that nothing
    // announces is looked at every `poll_ms`. Once the runtime shuts down, the limit no longer
    // counts: its end is then only a matter of time.
    template <class Done>
    bool await(uint32_t limit_ms, Done done, uint32_t poll_ms = plat::kWaitForever) {
        const uint32_t start = now_ms();
        const auto real_start = std::chrono::steady_clock::now();
        for (;;) {
            const uint32_t seen = shared_.signal.generation();
            if (done()) return true;
            if (shared_.ended.load(std::memory_order_acquire)) return done();
            const bool stopping = Rt_Words().stop.load(std::memory_order_acquire) != 0;
            const uint32_t waited = now_ms() - start;
            uint32_t timeout = poll_ms;
            if (!stopping) {
                if (waited >= limit_ms) {
                    if (clock_.is_virtual() ||
                        std::chrono::steady_clock::now() - real_start > kMinimumRealWait) {
                        return false;
                    }
                    timeout = std::min<uint32_t>(timeout, 100);
                } else {
                    timeout = std::min(timeout, limit_ms - waited);
                }
            }
            clock_.wait(shared_.signal, seen, timeout);
        }
    }

    void press(std::vector<plat::WindowEvent> events) { shared_.typer.press(std::move(events)); }

    // Waits until every queued press has reached the window's event queue and been read.
    bool drain_presses() {
        const bool drained = await(60000, [&] { return shared_.typer.drained(); });
        if (drained) return true;
        if (shared_.ended.load()) return fail("the game ended while keys were still to be typed");
        return fail("the game read no keys for a minute");
    }

    // The game's state as JSON, read on the program thread at its next statement check.
    bool read_state(std::string& json) {
        shared_.state_request.store(1, std::memory_order_release);
        Rt_RequestCheck();
        const bool served = await(kRequestLimitMs, [&] {
            return shared_.state_request.load(std::memory_order_acquire) == 2;
        });
        if (served) {
            std::lock_guard<std::mutex> lock(shared_.mutex);
            json = shared_.state_json;
        }
        shared_.state_request.store(0, std::memory_order_release);
        return served;
    }

    // The next presented frame (kAnyFrame), or the next one that changed the window.
    bool next_frame(int32_t kind, uint32_t limit_ms, ScreenSnapshot& out) {
        shared_.frame_ready.store(false, std::memory_order_release);
        shared_.frame_request.store(kind, std::memory_order_release);
        shared_.notify();  // a loop waiting for the judgement of the frame before goes on
        const bool served =
            await(limit_ms, [&] { return shared_.frame_ready.load(std::memory_order_acquire); });
        shared_.frame_request.store(kNoFrame, std::memory_order_release);
        if (!served) return false;
        std::lock_guard<std::mutex> lock(shared_.mutex);
        out = shared_.frame;
        return true;
    }

    bool snapshot(ScreenSnapshot& out) { return next_frame(kAnyFrame, kFrameLimitMs, out); }

    std::string screen_dump(const ScreenSnapshot& shot) {
        std::string dump;
        for (const auto& row : Snapshot_TextRows(shot)) dump += "\n  |" + row + "|";
        return dump;
    }

    // Judges the frame presented now and then every presented frame that changes the window,
    // until `holds` is true or `limit_ms` of game time have passed.
    template <class Check>
    bool watch_screen(uint32_t limit_ms, Check holds, ScreenSnapshot& last) {
        const uint32_t start = now_ms();
        shared_.watching.store(true, std::memory_order_release);
        bool seen = false;
        int32_t kind = kAnyFrame;
        if (shared_.served_is_current.load(std::memory_order_acquire)) {
            // The frame the last command saw is still what the window shows: judged first.
            {
                std::lock_guard<std::mutex> lock(shared_.mutex);
                last = shared_.frame;
            }
            seen = holds(last);
            kind = kChangedFrame;
        }
        while (!seen) {
            const uint32_t waited = now_ms() - start;
            if (waited > limit_ms) break;
            ScreenSnapshot shot;
            if (!next_frame(kind, limit_ms - waited, shot)) break;
            last = std::move(shot);
            seen = holds(last);
            kind = kChangedFrame;
        }
        shared_.watching.store(false, std::memory_order_release);
        shared_.notify();
        return seen;
    }

    // Every line passed Script_Check before the run: its words are there and in range.
    bool execute(const ScriptLine& line) {
        const auto& words = line.words;
        const std::string& command = line.command;
        if (command == "key") {
            uint64_t count = 1;
            if (words.size() == 2) Script_Number(words[1], kMaxKeyCount, count);
            std::vector<plat::WindowEvent> events;
            Keys_Press(words[0], events);
            for (uint64_t i = 0; i < count; ++i) press(events);
            return drain_presses();
        }
        if (command == "type") {
            for (char c : line.rest) press(Keys_TypeChar(c));
            return drain_presses();
        }
        if (command == "wait") {
            uint64_t wait_ms = 0;
            Script_Number(words[0], kMaxScriptWaitMs, wait_ms);
            clock_.delay_ms(static_cast<uint32_t>(wait_ms));
            return true;
        }
        if (command == "idle") {
            uint64_t limit = 60000;
            if (words.size() == 1) Script_Number(words[0], kMaxScriptWaitMs, limit);
            // Nothing announces it: looked at every few milliseconds of game time.
            const bool idle = await(
                static_cast<uint32_t>(limit),
                [] { return Rt_Words().keyWait.load(std::memory_order_acquire) != 0; }, 5);
            return idle ? true : fail("the game did not wait for a key");
        }
        if (command == "until") {
            UntilArguments until;
            Script_UntilArguments(line.rest, until);
            const std::string& text = until.text;
            const auto limit = static_cast<uint32_t>(until.limit_ms);
            const std::string wanted = Cp437_FromUtf8(text);
            ScreenSnapshot last;
            const bool seen = watch_screen(
                limit,
                [&](const ScreenSnapshot& shot) {
                    for (const auto& row : Snapshot_Recognise(shot)) {
                        for (size_t c = 0; c < row.size(); ++c) {
                            if (RowHasAt(row, c, wanted)) return true;
                        }
                    }
                    if (shot.box_open) {
                        return (shot.box_caption + "\n" + shot.box_text).find(wanted) !=
                               std::string::npos;
                    }
                    return false;
                },
                last);
            if (!seen)
                return fail("expected \"" + text +
                            "\" on the screen, which showed:" + screen_dump(last));
            return true;
        }
        if (command == "expect" || command == "expect-colour") {
            uint64_t row_number = 0, column_number = 0, colour_number = 0;
            Script_Number(words[0], kMaxScriptCell, row_number);
            Script_Number(words[1], kMaxScriptCell, column_number);
            const auto row = static_cast<int>(row_number);
            const auto column = static_cast<int>(column_number);
            const std::string text = command == "expect" ? Script_ExpectText(line) : "";
            const std::string wanted = Cp437_FromUtf8(text);
            int colour = -1;
            if (command == "expect-colour" && Script_Number(words[2], 255, colour_number)) {
                colour = static_cast<int>(colour_number);
            }
            ScreenSnapshot last;
            const bool seen = watch_screen(
                2000,
                [&](const ScreenSnapshot& shot) {
                    const auto rows = Snapshot_Recognise(shot);
                    if (row < 1 || row > static_cast<int>(rows.size())) return false;
                    const auto& cells = rows[static_cast<size_t>(row - 1)];
                    if (column < 1 || column > static_cast<int>(cells.size())) return false;
                    if (colour >= 0)
                        return cells[static_cast<size_t>(column - 1)].foreground == colour;
                    return RowHasAt(cells, static_cast<size_t>(column - 1), wanted);
                },
                last);
            if (!seen) {
                const auto rows = Snapshot_TextRows(last);
                const std::string shown = row >= 1 && row <= static_cast<int>(rows.size())
                                              ? rows[static_cast<size_t>(row - 1)]
                                              : "(no such row)";
                std::string what =
                    colour >= 0 ? "colour " + std::to_string(colour) : "\"" + text + "\"";
                if (colour >= 0 && row >= 1) {
                    const auto cells = Snapshot_Recognise(last);
                    if (row <= static_cast<int>(cells.size()) && column >= 1 &&
                        column <= static_cast<int>(cells[static_cast<size_t>(row - 1)].size())) {
                        what +=
                            " (the cell is drawn in colour " +
                            std::to_string(
                                cells[static_cast<size_t>(row - 1)][static_cast<size_t>(column - 1)]
                                    .foreground) +
                            ")";
                    }
                }
                return fail("expected " + what + " at row " + words[0] + ", column " + words[1] +
                            "; the row shows |" + shown + "|");
            }
            return true;
        }
        if (command == "clock") {
            clock_.set_time_of_day(Replay_ParseClock(words[0]));
            return true;
        }
        if (command == "answer") {
            if (!await(
                    2000, [] { return WindowBox_IsOpen(); }, 10))
                return fail("no message box is open");
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
            uint64_t expected = 0;
            Script_Number(words[0], 255, expected);
            if (!await(120000, [&] { return shared_.ended.load(std::memory_order_acquire); })) {
                ScreenSnapshot last;
                snapshot(last);
                return fail("the game did not end; the screen showed:" + screen_dump(last));
            }
            const int code = shared_.exit_code.load();
            if (code != static_cast<int>(expected)) {
                return fail("expected exit code " + words[0] + ", the game ended with " +
                            std::to_string(code));
            }
            return true;
        }
        if (command == "screen" || command == "shot") {
            ScreenSnapshot shot;
            if (!snapshot(shot)) return fail("no frame was presented");
            if (command == "screen") {
                std::ofstream out(output_path(words[0]), std::ios::binary);
                for (const auto& row : Snapshot_TextRows(shot)) out << row << '\n';
                if (!Written(out)) return fail("cannot write " + words[0]);
            } else if (!plat::Png_WriteRgb(output_path(words[0]), shot.window_width,
                                           shot.window_height, shot.window_pixels.data())) {
                return fail("cannot write " + words[0]);
            }
            return true;
        }
        if (command == "state") {
            std::string json;
            if (!read_state(json)) return fail("the game's state could not be read");
            std::ofstream out(output_path(words[0]), std::ios::binary);
            out << json << '\n';
            return Written(out) ? true : fail("cannot write " + words[0]);
        }
        if (command == "sounds") {
            // The log from the start of the run, kept in a file as it grew.
            std::ofstream out(output_path(words[0]), std::ios::binary);
            out << mixer_.streamed_log();
            return Written(out) ? true : fail("cannot write " + words[0]);
        }
        if (command == "seed") {
            // The random generator's seed, set on the program thread at its next statement
            // check: what the game draws after it no longer depends on the timer.
            uint64_t seed = 0;
            Script_Number(words[0], 0xFFFFFF, seed);
            shared_.seed_request.store(static_cast<int64_t>(seed), std::memory_order_release);
            Rt_RequestCheck();
            if (!await(kRequestLimitMs,
                       [&] { return shared_.seed_request.load(std::memory_order_acquire) < 0; })) {
                return fail("the seed could not be set");
            }
            return true;
        }
        if (command == "note") {
            {
                std::lock_guard<std::mutex> lock(shared_.mutex);
                shared_.note_text = Trim(line.rest);
            }
            shared_.note_request.store(1, std::memory_order_release);
            Rt_RequestCheck();
            const bool done = await(kRequestLimitMs, [&] {
                return shared_.note_request.load(std::memory_order_acquire) == 2;
            });
            shared_.note_request.store(0, std::memory_order_release);
            return done ? true : fail("the program did not reach a statement check");
        }
        if (command == "dial") {
            // The telephone must be ready: its first pass drawn (the culprit's number drawn),
            // and the attempt before ended, so that a new one starts with no digit dialled.
            std::string json;
            const uint32_t asked = now_ms();
            for (;;) {
                if (!read_state(json)) return fail("the game's state could not be read");
                DialState state;
                if (Dial_ReadState(json, state) && Dial_Ready(state)) break;
                if (now_ms() - asked > 120000) {
                    return Dial_ReadState(json, state)
                               ? fail("a number is still being dialled")
                               : fail("dial works only on the telephone screen");
                }
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
                for (;;) {
                    if (!read_state(json)) return fail("the game's state could not be read");
                    DialState state;
                    if (Dial_ReadState(json, state) && state.digitCount >= digits) break;
                    if (now_ms() - start > 60000) return fail("the digit was not dialled");
                    clock_.delay_ms(20);
                }
            }
            return true;
        }
        return fail("unknown command " + command);
    }

    const ReplayOptions& options_;
    plat::Clock& clock_;
    plat::VirtualMixer& mixer_;
    DriverShared& shared_;
    const ScriptLine* line_ = nullptr;
    std::atomic<int> line_number_{0};
    std::string failure_;
};

// Virtual time only moves while the game waits; a run in which it stands still for
// kWatchdog of real time while the script stays on one line hangs (a thread that computes
// for ever, or one blocked outside the clock), and nothing inside the run can end it.
class Watchdog {
  public:
    // `scratch`: a folder of this run to remove before the process ends (empty: none).
    Watchdog(plat::Clock& clock, const Driver& driver, const std::string& script,
             const std::string& scratch)
        : scratch_(scratch),
          thread_([this, &clock, &driver, script] { watch(clock, driver, script); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    void watch(plat::Clock& clock, const Driver& driver, const std::string& script) {
        uint32_t ticks = clock.ticks_ms();
        int line = driver.line_number();
        auto since = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(mutex_);
        while (!changed_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) {
            if (clock.ticks_ms() != ticks || driver.line_number() != line) {
                ticks = clock.ticks_ms();
                line = driver.line_number();
                since = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - since > kWatchdog) {
                std::fprintf(stderr, "%s:%d: the game hangs: its time has not moved for %lld s\n",
                             script.c_str(), line, static_cast<long long>(kWatchdog.count()));
                std::fflush(stderr);
                std::error_code error;
                if (!scratch_.empty()) fs::remove_all(scratch_, error);
                std::_Exit(1);
            }
        }
    }

    const std::string scratch_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread thread_;
};

// A fresh folder with a copy of the game's data files, removed again when the run ends.
class DataCopy {
  public:
    bool make(const std::string& from) {
        std::error_code error;
        // In $TMPDIR when it is set, else /tmp.
        const fs::path base = fs::temp_directory_path(error);
        std::string pattern =
            ((error ? fs::path("/tmp") : base) / "brunolt-replay-XXXXXX").string();
        error.clear();
        if (mkdtemp(pattern.data()) == nullptr) return false;
        path_ = pattern;
        for (const auto& entry : fs::directory_iterator(from, error)) {
            const std::string name = entry.path().filename().string();
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() &&
                (ext == ".grh" || ext == ".ogg" || name == "tempo.max")) {
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

int Replay_Run(const ReplayOptions& options) {
    std::ifstream in(options.script_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "brunolt-replay: cannot read %s\n", options.script_path.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<ScriptLine> lines = Script_Parse(text.str());
    // Every line is checked before the game starts: a mistake shows at once, with its line.
    for (const ScriptLine& line : lines) {
        const std::string problem = Script_Check(line);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s:%d: %s\n", options.script_path.c_str(), line.number,
                         problem.c_str());
            return 1;
        }
    }
    std::error_code error;
    if (!options.data_directory.empty() && !fs::is_directory(options.data_directory, error)) {
        std::fprintf(stderr, "brunolt-replay: %s is not a folder\n",
                     options.data_directory.c_str());
        return 1;
    }

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

    std::unique_ptr<plat::Clock> clock;
    if (options.speed == kReplaySpeedMax) {
        clock = std::make_unique<plat::VirtualClock>(options.clock_seconds_of_day);
    } else {
        clock = std::make_unique<plat::ScaledClock>(options.speed, options.clock_seconds_of_day);
    }
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    // The sound log goes to a file that disappears with the run, so a long run holds none of
    // it in memory.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> sound_log(std::tmpfile(), &std::fclose);
    if (sound_log == nullptr) {
        std::fprintf(stderr, "brunolt-replay: cannot make a file for the sound log\n");
        return 1;
    }
    plat::VirtualMixer mixer;
    mixer.stream_log(sound_log.get());
    plat::Platform platform;
    platform.clock = clock.get();
    platform.window = window.get();
    platform.mixer = &mixer;
    platform.module_directory = fs::absolute(directory).string() + "/";

    // This thread becomes the runtime's start-up thread; it and the script thread take part
    // in the clock from the start, so that a virtual run is the same every time.
    const plat::ClockThread on_clock(clock.get(), "start-up");
    DriverShared shared;
    shared.clock = clock.get();
    shared.on_note = &options.on_note;
    g_driver.store(&shared, std::memory_order_release);
    Rt_SetLoopHook(DriverLoopHook);
    Err_SetTrapHook(DriverTrapHook);

    Driver driver(options, *clock, mixer, shared);
    std::optional<Watchdog> watchdog;
    if (clock->is_virtual()) watchdog.emplace(*clock, driver, options.script_path, copy.path());
    std::atomic<bool> script_ok{false};
    std::thread script(
        [&](plat::ClockSeat seat) {
            const plat::ClockThread script_on_clock(std::move(seat));
            bool ok = false;
            try {
                ok = driver.run(lines);
            } catch (const std::exception& problem) {
                // Reported with its line like any other failure; the run still ends cleanly.
                driver.fail_with(problem.what());
            }
            script_ok = ok;
            shared.script_done.store(true, std::memory_order_release);
            // Whatever the script left running ends like a closed window.
            if (!shared.ended.load()) {
                plat::WindowEvent quit;
                quit.kind = plat::WindowEvent::Kind::Quit;
                shared.typer.press({quit});
            }
            shared.notify();
        },
        plat::ClockSeat(clock.get(), "script"));

    char name[] = "brunolt-replay";
    char* argv[] = {name, nullptr};
    const int exit_code = RuntimeRun(1, argv, platform, options.main_module);
    shared.exit_code.store(exit_code);
    shared.ended.store(true);
    shared.notify();
    {
        const plat::ClockAway away(clock.get());
        script.join();
    }
    watchdog.reset();
    if (options.stats != nullptr) {
        options.stats->game_ms = clock->ticks_ms();
        options.stats->frames_read = shared.frames_served.load();
        const auto* virtual_clock = dynamic_cast<const plat::VirtualClock*>(clock.get());
        options.stats->hand_offs = virtual_clock != nullptr ? virtual_clock->hand_offs() : 0;
    }
    Rt_SetLoopHook(nullptr);
    Err_SetTrapHook(nullptr);
    g_driver.store(nullptr, std::memory_order_release);

    if (!script_ok.load()) {
        std::fprintf(stderr, "%s\n", driver.failure().c_str());
        return 1;
    }
    return 0;
}

// The whole game played from its replay script, and the CPU the game takes while it waits at
// the disclaimer and at the menu (whole process and per thread, from /proc/self/task), with
// the time start-up takes to present its first frame.
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "game_state.h"
#include "key_names.h"
#include "platform.h"
#include "replay_driver.h"
#include "runtime_main.h"
#include "screen.h"
#include "screen_snapshot.h"
#include "shared_words.h"

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

void WholeGame(benchmark::State& state) {
    const fs::path scratch =
        fs::temp_directory_path() / ("brunolt-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    for (auto _ : state) {
        ReplayOptions options;
        options.main_module = GameMain;
        options.script_path = bench::Config().replay_script;
        options.start_directory = scratch.string();
        options.speed = bench::Config().replay_speed;
        if (Replay_Run(options) != 0) state.SkipWithError("the replay failed");
    }
    fs::remove_all(scratch);
    state.SetLabel("wall");
}

// CPU time and voluntary switches of every thread of this process.
struct ThreadSample {
    int tid = 0;
    std::string name;
    double cpu_s = 0;
    long switches = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text;
}

std::vector<ThreadSample> SampleThreads() {
    std::vector<ThreadSample> samples;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return samples;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        ThreadSample sample;
        sample.tid = std::atoi(entry->d_name);
        sample.name = ReadFile(dir + "/comm");
        while (!sample.name.empty() && sample.name.back() == '\n') sample.name.pop_back();
        // schedstat: nanoseconds on the processor; stat's clock ticks where it is missing.
        const std::string schedstat = ReadFile(dir + "/schedstat");
        if (!schedstat.empty()) {
            sample.cpu_s = std::strtod(schedstat.c_str(), nullptr) / 1e9;
        } else {
            const std::string stat = ReadFile(dir + "/stat");
            const size_t close = stat.rfind(')');
            if (close != std::string::npos) {
                std::vector<std::string> fields;
                size_t at = close + 2;
                while (at < stat.size()) {
                    const size_t end = stat.find(' ', at);
                    fields.push_back(stat.substr(at, end - at));
                    if (end == std::string::npos) break;
                    at = end + 1;
                }
                // Fields 14 and 15 of the line (user and system time) are 11 and 12 here.
                if (fields.size() > 12) {
                    sample.cpu_s = (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) /
                                   static_cast<double>(sysconf(_SC_CLK_TCK));
                }
            }
        }
        const std::string status = ReadFile(dir + "/status");
        const size_t at = status.find("\nvoluntary_ctxt_switches:");
        if (at != std::string::npos) sample.switches = std::atol(status.c_str() + at + 25);
        samples.push_back(sample);
    }
    closedir(tasks);
    return samples;
}

bench::IdleFigure Compare(const std::string& screen, const std::vector<ThreadSample>& before,
                          const std::vector<ThreadSample>& after, double seconds) {
    bench::IdleFigure figure;
    figure.screen = screen;
    figure.seconds = seconds;
    for (const ThreadSample& end : after) {
        ThreadSample start;
        start.tid = end.tid;
        for (const ThreadSample& s : before) {
            if (s.tid == end.tid) start = s;
        }
        bench::ThreadShare share;
        share.tid = end.tid;
        share.name = end.tid == getpid() ? "display loop" : end.name;
        share.cpu_percent = 100.0 * (end.cpu_s - start.cpu_s) / seconds;
        share.wakes_per_second = static_cast<double>(end.switches - start.switches) / seconds;
        figure.process_percent += share.cpu_percent;
        figure.threads.push_back(share);
    }
    return figure;
}

// Real time, noting how long start-up waited for the wall clock's second to turn, so that
// the start-up figure can leave that wait out.
class StartClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return real_.ticks_ms(); }
    void delay_ms(uint32_t delay_ms) override { real_.delay_ms(delay_ms); }
    plat::TimeOfDay local_time() override {
        if (std::this_thread::get_id() == start_up_thread_) {
            const auto now = Steady::now();
            if (calls_++ == 0) first_call_ = now;
            last_call_ = now;
        }
        return real_.local_time();
    }
    double second_wait_ms() const {
        return std::chrono::duration<double, std::milli>(last_call_ - first_call_).count();
    }

  private:
    plat::SdlClock real_;
    const std::thread::id start_up_thread_ = std::this_thread::get_id();
    int calls_ = 0;  // the fields below: start-up thread only
    Steady::time_point first_call_{};
    Steady::time_point last_call_{};
};

// The idle run, driven from the display loop's hook on the start-up thread: wait for a
// screen, let it settle, measure, press a key, and so on.
struct IdleRun {
    enum class Phase { WaitDisclaimer, WaitMenu, Settle, Measure, Done };
    Phase phase = Phase::WaitDisclaimer;
    std::string screen;
    Steady::time_point since = Steady::now();
    Steady::time_point started = Steady::now();
    std::vector<ThreadSample> before;
    uint64_t passes = 0;
    bool failed = false;
    std::vector<bench::IdleFigure> figures;
    double first_frame_ms = -1;  // from RuntimeRun to the first presented frame
};
IdleRun* g_idle = nullptr;  // the run in progress; set and read on the start-up thread only

bool Shows(const char* text) {
    ScreenSnapshot snapshot;
    if (!Snapshot_Take(snapshot)) return false;
    for (const std::string& row : Snapshot_TextRows(snapshot)) {
        if (row.find(text) != std::string::npos) return true;
    }
    return false;
}

void IdleHook() {
    IdleRun& run = *g_idle;
    const auto now = Steady::now();
    const double elapsed = std::chrono::duration<double>(now - run.since).count();
    ++run.passes;
    if (run.first_frame_ms < 0 && Scr_CurrentSurface() != nullptr) {
        run.first_frame_ms = std::chrono::duration<double, std::milli>(now - run.started).count();
    }
    switch (run.phase) {
        case IdleRun::Phase::WaitDisclaimer:
        case IdleRun::Phase::WaitMenu: {
            const bool disclaimer = run.phase == IdleRun::Phase::WaitDisclaimer;
            if (run.passes % 8 == 0 && Shows(disclaimer ? "Premi un Tasto" : "M  E  N  U")) {
                run.screen = disclaimer ? "disclaimer" : "menu";
                run.phase = IdleRun::Phase::Settle;
                run.since = now;
            } else if (std::chrono::duration<double>(now - run.started).count() > 60) {
                run.failed = true;
                run.phase = IdleRun::Phase::Done;
            }
            break;
        }
        case IdleRun::Phase::Settle:
            if (elapsed >= 1.0) {
                run.before = SampleThreads();
                run.phase = IdleRun::Phase::Measure;
                run.since = Steady::now();
            }
            break;
        case IdleRun::Phase::Measure:
            if (elapsed >= bench::Config().idle_seconds) {
                run.figures.push_back(Compare(run.screen, run.before, SampleThreads(), elapsed));
                if (run.screen == "disclaimer") {
                    std::vector<plat::WindowEvent> events;
                    Keys_Press("space", events);
                    for (const auto& event : events) plat::Plat().window->inject_event(event);
                    run.phase = IdleRun::Phase::WaitMenu;
                    run.started = now;
                } else {
                    run.phase = IdleRun::Phase::Done;
                }
            }
            break;
        case IdleRun::Phase::Done:
            Rt_Words().programEnded = 1;
            break;
    }
}

void IdleGame(benchmark::State& state) {
    for (auto _ : state) {
        setenv(
            "SDL_VIDEODRIVER",
            bench::Config().video_driver.empty() ? "dummy" : bench::Config().video_driver.c_str(),
            1);
        StartClock clock;
        const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
        const std::unique_ptr<plat::Mixer> mixer = plat::MakeSdlMixer();
        plat::Platform platform;
        platform.clock = &clock;
        platform.window = window.get();
        platform.mixer = mixer.get();
        IdleRun run;
        g_idle = &run;
        Rt_SetLoopHook(IdleHook);
        char name[] = "brunolt-bench";
        char* argv[] = {name, nullptr};
        RuntimeRun(1, argv, platform, GameMain);
        Rt_SetLoopHook(nullptr);
        g_idle = nullptr;
        if (run.failed || run.figures.size() != 2) {
            state.SkipWithError("the disclaimer or the menu did not show");
            return;
        }
        double seconds = 0;
        for (const bench::IdleFigure& figure : run.figures) {
            state.counters[figure.screen + "_%"] = figure.process_percent;
            seconds += figure.seconds;
            bench::IdleFigures().push_back(figure);
        }
        state.counters["first_frame_ms"] = run.first_frame_ms - clock.second_wait_ms();
        state.SetIterationTime(seconds);
    }
}

const bool g_registered = [] {
    benchmark::RegisterBenchmark("replay/phone_game", WholeGame)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("idle/disclaimer_and_menu", IdleGame)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

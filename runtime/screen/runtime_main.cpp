// RuntimeMain: start-up, the three threads, the display and event loop, shutdown and Rt_End.
#include "runtime_main.h"

#include <pthread.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "errors.h"
#include "files.h"
#include "input_method.h"
#include "keyboard.h"
#include "low_memory.h"
#include "numbers.h"
#include "rt_clock.h"
#include "screen.h"
#include "sdl_session.h"
#include "shared_words.h"
#include "sound.h"
#include "window_box.h"
#include "window_look.h"

namespace {

constexpr int kExitSdlInit = 100;
constexpr int kExitScratchSurface = 601;
constexpr int kExitInputMethod = 602;
constexpr int kExitTtfInit = 7000;
constexpr int64_t kDayMs = 86'400'000;
constexpr uint32_t kPassSleepMs = 15 + 1;

// Trapped-key table of start-up step 1 (serves key trapping, which the game does not use).
struct TrappedKeys {
    int32_t codes[16] = {};
};

// SIGINT, SIGTERM and SIGHUP (the terminal that started the game went away) close the program
// as the window's close button does; the handler can only set a word, which the event pass
// reads. They are caught from the first moment of a run, so that none of them kills the
// process half set up.
std::atomic<int32_t> g_close_signal{0};
static_assert(std::atomic<int32_t>::is_always_lock_free);

extern "C" void OnCloseSignal(int) { g_close_signal.store(1, std::memory_order_relaxed); }

bool CloseSignalled() { return g_close_signal.load(std::memory_order_relaxed) != 0; }

// Catches the close signals for the life of one run and gives the previous handlers back at
// its end, unless the process ends with the run (then a late signal must not kill it either).
class CloseSignals {
public:
    explicit CloseSignals(bool keep_at_end) : keep_at_end_(keep_at_end) {
        g_close_signal.store(0, std::memory_order_relaxed);
        for (size_t i = 0; i < kSignals.size(); ++i) {
            previous_[i] = std::signal(kSignals[i], OnCloseSignal);
        }
    }
    ~CloseSignals() {
        if (keep_at_end_) return;
        for (size_t i = 0; i < kSignals.size(); ++i) std::signal(kSignals[i], previous_[i]);
    }
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    const bool keep_at_end_;
    std::array<void (*)(int), 3> previous_{};
};

// Start-up tests name a point of start-up in BRUNOLT_TEST_PAUSE_AT: start-up stops there, says
// so on standard error and waits for a close signal, so that the test knows when its signal
// arrives. Without the variable this costs one look at the environment per run.
void PauseForTestAt(const char* wanted, const char* point) {
    if (wanted == nullptr || std::strcmp(wanted, point) != 0) return;
    std::fprintf(stderr, "Brunolt: paused at %s\n", point);
    while (!CloseSignalled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Program-wide runtime record: set up by RuntimeRun before the threads start.
struct Runtime {
    std::string command_line;
    TrappedKeys trapped_keys;
    std::vector<plat::ScreenSize> full_screen_sizes;
    bool any_full_screen_size = false;
    bool key_repeat_on = true;
};
Runtime g_runtime;  // written only during start-up, read-only afterwards
std::atomic<LoopHook> g_loop_hook{nullptr};
std::atomic<uint64_t> g_event_passes{0};

plat::Clock& Clock() { return *plat::Plat().clock; }

void SleepMs(uint32_t delay_ms) { Clock().delay_ms(delay_ms); }

// Writes the BIOS tick count (18.2 per second since midnight) into LowMemory.
void StoreTickCounter(int64_t ms_since_midnight) {
    const auto ticks = static_cast<uint32_t>(static_cast<double>(ms_since_midnight) * 0.0182);
    uint8_t* low = Rt_LowMemory();
    for (size_t i = 0; i < 3; ++i) {
        std::atomic_ref<uint8_t>(low[kLowMemTickCounter + i])
            .store(static_cast<uint8_t>(ticks >> (8 * i)), std::memory_order_relaxed);
    }
}

int64_t MsSinceMidnight(const plat::TimeOfDay& time) {
    if (!time.valid) return 0;
    return (int64_t{time.hours} * 3600 + time.minutes * 60 + time.seconds) * 1000;
}

// The runtime's threads carry their names, so that a look at the process's threads (top -H,
// /proc) tells them from SDL's.
void NameThisThread(const char* name) {
    pthread_setname_np(pthread_self(), name);
}

void ProgramThreadEntry(MainModule main_module, plat::ClockSeat seat) {
    const plat::ClockThread on_clock(std::move(seat));
    NameThisThread("program");
    Rt_SetProgramThread();
    try {
        main_module();
        // The game's main module never returns; a program that does simply ends.
        Rt_Words().programEnded.store(1, std::memory_order_release);
        Rt_ParkProgramThread();
    } catch (const ProgramThreadExit&) {
    }
    Rt_Words().finishedThreads.fetch_or(kFinishedProgram, std::memory_order_acq_rel);
}

// The game defines no timed events, so the thread only keeps its hold handshake and sleeps
// until the stop flag is set: it does not poll, and an idle game costs it nothing. Whoever
// sets the stop flag or asks it to hold notifies its wake signal.
void TimerThreadEntry(plat::ClockSeat seat) {
    const plat::ClockThread on_clock(std::move(seat));
    NameThisThread("timer-event");
    SharedWords& words = Rt_Words();
    for (;;) {
        const uint32_t seen = words.timerWake.generation();
        if (words.stop.load(std::memory_order_acquire) != 0) break;
        if (words.timerHold.load(std::memory_order_acquire) == 1) {
            words.timerHold.store(2, std::memory_order_release);
        }
        Clock().wait(words.timerWake, seen, plat::kWaitForever);
    }
    words.finishedThreads.fetch_or(kFinishedTimer, std::memory_order_acq_rel);
}

// Joins a thread of the runtime; the joining thread is away from the clock meanwhile, so that
// the thread it waits for can run to its end.
void Join(std::thread& thread) {
    if (!thread.joinable()) return;
    const plat::ClockAway away(&Clock());
    thread.join();
}

// One event pass of the display and event loop. Returns false when the window was closed
// and the program must shut down at once.
bool ReadEvents() {
    plat::Window& window = *plat::Plat().window;
    SharedWords& words = Rt_Words();

    const uint8_t state = window.app_state();
    const bool focused = (state & 2) != 0 && (state & 4) != 0;
    if (focused != g_runtime.key_repeat_on) {
        window.enable_key_repeat(focused ? 500 : 0, focused ? 30 : 0);
        g_runtime.key_repeat_on = focused;
    }
    while (InputMethod_GetEventNumber() > 0) InputMethod_MoveNextEvent();
    Kbd_SyncLockKeys(window.lock_keys(), false);

    bool close_requested = g_close_signal.exchange(0, std::memory_order_relaxed) != 0;
    plat::WindowEvent event;
    while (window.poll_event(event)) {
        switch (event.kind) {
            case plat::WindowEvent::Kind::KeyDown:
            case plat::WindowEvent::Kind::KeyUp:
            case plat::WindowEvent::Kind::MouseButtonDown:
                if (!WindowBox_HandleEvent(event) && event.kind != plat::WindowEvent::Kind::MouseButtonDown) {
                    Kbd_HandleEvent(event);
                }
                break;
            case plat::WindowEvent::Kind::Quit:
                close_requested = true;
                break;
            default:
                break;
        }
    }
    Snd_EnforceLimits();

    if (close_requested) {
        if (words.exitIntercept.load(std::memory_order_acquire) != 0) {
            words.exitRequest.fetch_or(1, std::memory_order_acq_rel);
        } else {
            return false;
        }
    }
    return true;
}

// The shutdown's first step: the loop holds (when the program ended) and the threads are
// told to stop.
void BeginShutdown(bool through_program_end) {
    if (through_program_end) Rt_Words().loopHold.store(2, std::memory_order_release);
    Rt_RequestStop();
}

bool ThreadsFinished() {
    return (Rt_Words().finishedThreads.load(std::memory_order_acquire) & 3) == 3;
}

// The shutdown's last step, once both threads have ended: files, sounds and the cursor.
int FinishShutdown(std::thread& program_thread, std::thread& timer_thread) {
    Join(program_thread);
    Join(timer_thread);
    File_CloseAll();
    Snd_StopAll();
    plat::Plat().window->show_cursor(false);
    plat::Plat().window->free_cursor();
    return Rt_Words().exitCode.load(std::memory_order_acquire);
}

#ifndef __EMSCRIPTEN__
int Shutdown(std::thread& program_thread, std::thread& timer_thread, bool through_program_end) {
    BeginShutdown(through_program_end);
    Join(program_thread);
    while (!ThreadsFinished()) SleepMs(16);
    return FinishShutdown(program_thread, timer_thread);
}
#endif

// What one pass of the display and event loop leaves the loop to do.
enum class PassOutcome { Continue, ProgramEnded, WindowClosed };

// The loop's own state between passes: its phase bit, a hold it serves and the clock origin.
struct LoopState {
    bool phase = false;
    bool held = false;  // answered a hold request and waits for its release
    int64_t start_tick = 0;
    int64_t start_time_ms = 0;
};

// One pass of the display and event loop. The desktop runs it back to back with its sleep;
// the browser runs it once per frame of its own, where nothing may sleep: there a held loop
// gives the frame back instead of waiting, and the frame rate stands for the sleep.
PassOutcome LoopPass(LoopState& loop, bool sleep) {
    SharedWords& words = Rt_Words();
    if (loop.held || words.loopHold.load(std::memory_order_acquire) == 1) {
        if (!loop.held) words.loopHold.store(2, std::memory_order_release);
        loop.held = true;
        if (sleep) {
            while (words.loopHold.load(std::memory_order_acquire) != 0) SleepMs(1);
        } else if (words.loopHold.load(std::memory_order_acquire) != 0) {
            return PassOutcome::Continue;
        }
        loop.held = false;
    }
    int64_t now = (int64_t{Clock().ticks_ms()} - loop.start_tick + loop.start_time_ms) % kDayMs;
    if (now < 0) now += kDayMs;
    StoreTickCounter(now);
    // 15 ms and 1 ms, between which a display-status port would see its retrace marks;
    // nothing here emulates that port, so the two are one sleep: the same pacing with half
    // the wake-ups of an idle game.
    if (sleep) SleepMs(kPassSleepMs);
    if (words.programEnded.load(std::memory_order_acquire) != 0) return PassOutcome::ProgramEnded;
    loop.phase = !loop.phase;
    Snd_PumpQueue();
    if (loop.phase) {
        if (words.displayEnable.load(std::memory_order_acquire) != 0) {
            Scr_Present();
            WindowBox_Draw();
        }
    } else {
        if (!ReadEvents()) return PassOutcome::WindowClosed;
        g_event_passes.fetch_add(1, std::memory_order_acq_rel);
    }
    if (LoopHook hook = g_loop_hook.load(std::memory_order_acquire)) hook();
    return PassOutcome::Continue;
}

#ifndef __EMSCRIPTEN__
int DisplayLoop(std::thread& program_thread, std::thread& timer_thread, LoopState& loop) {
    for (;;) {
        switch (LoopPass(loop, true)) {
            case PassOutcome::Continue:
                break;
            case PassOutcome::ProgramEnded:
                return Shutdown(program_thread, timer_thread, true);
            case PassOutcome::WindowClosed:
                return Shutdown(program_thread, timer_thread, false);
        }
    }
}
#endif

#ifdef __EMSCRIPTEN__
// In a browser the page's main thread runs the display and event loop and must never block:
// the browser calls WebFrame once per frame of the page, and each call makes one pass (the
// frame rate stands for the loop's sleep). The run keeps what start-up made until the end.
struct WebRun {
    std::unique_ptr<plat::SdlSession> session;
    std::thread program_thread;
    std::thread timer_thread;
    LoopState loop;
    bool ending = false;
};

void WebFrame(void* argument) {
    WebRun& run = *static_cast<WebRun*>(argument);
    if (!run.ending) {
        const PassOutcome outcome = LoopPass(run.loop, false);
        if (outcome == PassOutcome::Continue) return;
        run.ending = true;
        BeginShutdown(outcome == PassOutcome::ProgramEnded);
    }
    // Instead of sleeping until both threads have ended, the page looks again next frame.
    if (!ThreadsFinished()) return;
    const int exit_code = FinishShutdown(run.program_thread, run.timer_thread);
    Rt_Words().loopRunning.store(0, std::memory_order_release);
    WindowBox_Enable(false);
    Snd_Reset();
    emscripten_cancel_main_loop();
    const std::unique_ptr<WebRun> ended(&run);
    // The page says that the program has ended (a tab has no window to close).
    EM_ASM(
        {
            if (Module.onProgramEnded) Module.onProgramEnded($0);
        },
        exit_code);
}
#endif

}  // namespace

std::string Rt_DirectoryOfModule(const std::string& module_path) {
    const size_t cut = module_path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : module_path.substr(0, cut + 1);
}

const std::string& Rt_CommandLine() { return g_runtime.command_line; }

void Rt_SetLoopHook(LoopHook hook) { g_loop_hook.store(hook, std::memory_order_release); }

uint64_t Rt_EventPasses() { return g_event_passes.load(std::memory_order_acquire); }

namespace {

int RunRuntime(int argc, char** argv, const plat::Platform& platform, MainModule main_module,
               bool process_ends_with_run) {
    const CloseSignals close_signals(process_ends_with_run);
    const char* const pause_at = std::getenv("BRUNOLT_TEST_PAUSE_AT");
    PauseForTestAt(pause_at, "start");
    Rt_ResetWords();
    g_runtime = Runtime{};
    WindowBox_Reset();
    Kbd_Reset();
    Num_ResetRndSeed();
    Snd_Forget();

    // 1. Trapped keys: F1-F10, Up, Left, Right, Down, F11, F12.
    for (int i = 0; i < 10; ++i) g_runtime.trapped_keys.codes[i] = 0x3B00 + 256 * i;
    const int32_t arrows_and_f11_f12[] = {0x4800, 0x4B00, 0x4D00, 0x5000, 0x8500, 0x8600};
    for (int i = 0; i < 6; ++i) g_runtime.trapped_keys.codes[10 + i] = arrows_and_f11_f12[i];

    // 2. All of the game's relative file names are looked up beside the executable.
    const std::string directory = platform.module_directory.empty()
                                      ? plat::Plat_ModuleDirectory()
                                      : platform.module_directory;
    if (!directory.empty() && chdir(directory.c_str()) != 0) {
        std::perror("Brunolt: cannot change to the program's directory");
    }

    // 3-5. Font metrics, image table and memory are set up by Scr_Startup and the value
    // runtime; LowMemory starts cleared.
    Rt_ClearLowMemory();

    // 6. The command-line string.
    for (int i = 1; i < argc; ++i) {
        if (i > 1) g_runtime.command_line += ' ';
        g_runtime.command_line += argv[i];
    }

    // The seams are installed before any other thread exists; boxes go into the window
    // unless the caller brought its own.
    plat::Platform installed = platform;
    if (installed.message_box == nullptr) installed.message_box = WindowBox_Seam();
    plat::Plat_Install(installed);
    // The start-up thread takes part in the clock from here on (the replay driver's thread
    // takes part already; it stays so).
    const plat::ClockThread on_clock(installed.clock, "start-up");

    // 7. SDL.
    // On the heap, so that a run in a browser can keep it after this function has returned.
    auto session = std::make_unique<plat::SdlSession>();
    std::string sdl_error;
    if (!session->start_sdl(sdl_error)) {
        std::fprintf(stderr, "Unable to init SDL: %s\n", sdl_error.c_str());
        return kExitSdlInit;
    }
    PauseForTestAt(pause_at, "sdl");

    // 8. Synchronise the clock with the turn of a wall-clock second.
    const int first_second = Clock().local_time().seconds;
    plat::TimeOfDay now = Clock().local_time();
    while (now.valid && now.seconds == first_second && !CloseSignalled()) {
        SleepMs(1);
        now = Clock().local_time();
    }
    const int64_t start_tick = Clock().ticks_ms();
    const int64_t start_time_ms = MsSinceMidnight(now);
    Rt_SetClockOrigin(static_cast<uint32_t>(start_tick), start_time_ms);
    StoreTickCounter(start_time_ms);

    // 9. SDL_ttf: only opened and closed here; the game draws no TrueType text.
    if (!session->start_ttf()) return kExitTtfInit;

    // 10. Lock and modifier keys as the system has them.
    Kbd_SyncLockKeys(plat::Plat().window->lock_keys(), true);

    // 11. The scratch surface for the input-method composition line.
    if (!session->make_scratch_surface()) return kExitScratchSurface;

    // 12. The input-method library.
    if (InputMethod_Init() != 0) return kExitInputMethod;

    // 14. Full-screen sizes for the presenter.
    g_runtime.full_screen_sizes =
        plat::Plat().window->full_screen_sizes(g_runtime.any_full_screen_size);
    Scr_SetFullScreenSizes(g_runtime.full_screen_sizes, g_runtime.any_full_screen_size);

    // 15-16. Key repeat, and an empty key ring.
    plat::Plat().window->enable_key_repeat(500, 30);
    g_runtime.key_repeat_on = true;
    session->enable_unicode();
    Kbd_ClearRing();

    // 17-18. Icon, caption and mouse cursor.
    plat::Plat().window->set_icon_bmp(Look_IconBmp().data(), Look_IconBmp().size());
    plat::Plat().window->set_caption("Untitled");
    plat::Plat().window->set_cursor(Look_CursorPicture(), 0, 0);

    // 19-21. Palettes, fonts and the 80 x 25 text screen.
    Scr_Startup();
    PauseForTestAt(pause_at, "screen");
    // Closed before the game has begun: nothing to end but what start-up opened.
    if (CloseSignalled()) {
        plat::Plat().window->free_cursor();
        return 0;
    }

    // 22-23. The program thread and the timer-event thread. The program may show a box or
    // change the mode before the loop below has started; the loop will serve both, so mode
    // changes go through the handshake from the program's first statement on.
    WindowBox_Enable(true);
    Rt_Words().loopRunning.store(1, std::memory_order_release);
    std::thread program_thread;
    std::thread timer_thread;
    // Each thread's place in the clock is reserved before it starts, so that no time passes
    // between the start and its first step; a thread that cannot start gives its place back.
    try {
        program_thread = std::thread(ProgramThreadEntry, main_module,
                                     plat::ClockSeat(installed.clock, "program"));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "Unable to create thread: %s\n", error.what());
        WindowBox_Enable(false);
        Rt_Words().loopRunning.store(0, std::memory_order_release);
        return 0;
    }
    try {
        timer_thread =
            std::thread(TimerThreadEntry, plat::ClockSeat(installed.clock, "timer-event"));
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "Unable to create thread: %s\n", error.what());
        Rt_RequestStop();
        Join(program_thread);
        WindowBox_Enable(false);
        return 0;
    }

    // 24. The display and event loop; a close signal that came in meanwhile is served by its
    // first event pass.
    PauseForTestAt(pause_at, "threads");
    LoopState loop;
    loop.start_tick = start_tick;
    loop.start_time_ms = start_time_ms;
#ifdef __EMSCRIPTEN__
    // The browser runs the loop from here on, frame by frame; this function returns at once.
    auto web_run = std::make_unique<WebRun>();
    web_run->session = std::move(session);
    web_run->program_thread = std::move(program_thread);
    web_run->timer_thread = std::move(timer_thread);
    web_run->loop = loop;
    emscripten_set_main_loop_arg(WebFrame, web_run.release(), 0, 0);
    return 0;
#else
    const int exit_code = DisplayLoop(program_thread, timer_thread, loop);
    Rt_Words().loopRunning.store(0, std::memory_order_release);
    WindowBox_Enable(false);
    // The sounds go with this run's mixer, while it still exists.
    Snd_Reset();
    return exit_code;
#endif
}

}  // namespace

int RuntimeRun(int argc, char** argv, const plat::Platform& platform, MainModule main_module) {
    return RunRuntime(argc, argv, platform, main_module, false);
}

int RuntimeMain(int argc, char** argv, const plat::Platform& platform, MainModule main_module) {
#ifdef __EMSCRIPTEN__
    // In a browser the run goes on after this returns, unless start-up failed.
    return RunRuntime(argc, argv, platform, main_module, true);
#else
    std::exit(RunRuntime(argc, argv, platform, main_module, true));
#endif
}

void Rt_End() {
    SharedWords& words = Rt_Words();
    File_CloseAll();
    words.exitIntercept.store(0, std::memory_order_release);
    Scr_ActivateDisplayPage();
    const int32_t rows = Scr_Rows();
    Scr_SetTextView(rows, rows, 3);
    Scr_Print("", true);
    Scr_Print("Press any key to continue", false);
    // Keys typed before the prompt appeared must not answer it.
    Kbd_DrainRing();
    words.displayEnable.store(1, std::memory_order_release);
    while (Kbd_Inkey().empty()) {
        if (words.stop.load(std::memory_order_acquire) != 0) Rt_ParkProgramThread();
        SleepMs(0);
    }
    words.programEnded.store(1, std::memory_order_release);
    Rt_ParkProgramThread();
}

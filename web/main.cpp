// The Brunolt page's program: the game's main module on the browser's seams.
#include <emscripten.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "files_os.h"
#include "game_state.h"
#include "runtime_main.h"

namespace {

// The page's file system: the game's folder holds what the page brought (read-only, so the
// high-score table goes to the player's copy), and the storage folder is kept in the browser's
// IndexedDB (mounted and read back by pre.js before the program starts).
constexpr const char* kGameFolder = "/brunolt/";
constexpr const char* kStorageFolder = "/save";

// Real time without SDL's timer, whose reading and sleeping a program thread cannot use in a
// browser (SDL's sleep spins, its tick count lives on the page's main thread).
class BrowserClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override {
        const auto elapsed = std::chrono::steady_clock::now() - origin_;
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

    void delay_ms(uint32_t delay_ms) override {
        if (delay_ms == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        }
    }

    plat::TimeOfDay local_time() override { return plat::SystemLocalTime(); }

  private:
    const std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

// A save ends by flushing its folder; in the page that is also when the browser's storage is
// written through to IndexedDB. The program thread waits for it (at most a few seconds), so
// that a table shown after a save is already kept when the tab is closed.
class BrowserStorageCalls final : public FileSystemCalls {
  public:
    explicit BrowserStorageCalls(plat::Clock& clock) : clock_(clock) {}

    int Sync(int fd) override {
        const int result = FileSystemCalls::Sync(fd);
        struct stat info {};
        if (result == 0 && FileStat(fd, &info) == 0 && S_ISDIR(info.st_mode)) persist();
        return result;
    }

  private:
    void persist() {
        constexpr uint32_t kStepMs = 10;
        constexpr uint32_t kLimitMs = 5000;
        const int32_t before = persisted_.load(std::memory_order_acquire);
        MAIN_THREAD_ASYNC_EM_ASM(
            {
                FS.syncfs(
                    false, function(error) {
                        if (error)
                            err('Brunolt: the browser did not keep the saved files: ' + error);
                        Atomics.add(HEAP32, $0 >> 2, 1);
                    });
            },
            &persisted_);
        for (uint32_t waited_ms = 0;
             persisted_.load(std::memory_order_acquire) == before && waited_ms < kLimitMs;
             waited_ms += kStepMs) {
            clock_.delay_ms(kStepMs);
        }
    }

    plat::Clock& clock_;
    std::atomic<int32_t> persisted_{0};
};

}  // namespace

int main(int argc, char** argv) {
    // The seams outlive main: the program goes on in the page after main has returned.
    static BrowserClock clock;
    static BrowserStorageCalls storage(clock);
    static const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    static const std::unique_ptr<plat::Mixer> mixer = plat::MakeWebMixer();
    File_SetSystemCalls(&storage);
    chmod("/brunolt/tempo.max", 0444);
    chmod(kGameFolder, 0555);
    setenv("XDG_DATA_HOME", kStorageFolder, 1);
    plat::Platform platform;
    platform.clock = &clock;
    platform.window = window.get();
    platform.mixer = mixer.get();
    platform.module_directory = kGameFolder;
    return RuntimeMain(argc, argv, platform, GameMain);
}

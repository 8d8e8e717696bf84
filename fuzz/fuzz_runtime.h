// What every fuzz target shares: the runtime set up headless on the program thread, ordinary
// errors answered "go on", critical ones turned into crashes the fuzzer reports, and a folder
// of its own for the files it writes.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "errors.h"
#include "platform.h"
#include "shared_words.h"

namespace fuzz {

// Time that passes only when the runtime waits: a wait costs nothing and no input can hang.
class WaitFreeClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return now_ms_.load(std::memory_order_relaxed); }
    void delay_ms(uint32_t delay_ms) override {
        now_ms_.fetch_add(delay_ms == 0 ? 1 : delay_ms, std::memory_order_relaxed);
    }
    plat::TimeOfDay local_time() override { return plat::TimeOfDay{}; }

  private:
    std::atomic<uint32_t> now_ms_{0};
};

// Answers every error box with "Yes", as a player who goes on after each error. A box with
// only an OK button is a critical or fatal error, which no input of these parsers may cause:
// it ends the run as a crash, so the fuzzer keeps the input that led to it.
class GoOnBox final : public plat::MessageBox {
  public:
    plat::BoxAnswer show(const std::string& caption, const std::string& text,
                         plat::BoxButtons buttons) override {
        if (buttons == plat::BoxButtons::Ok) {
            std::fprintf(stderr, "fuzz: critical box \"%s\": %s\n", caption.c_str(), text.c_str());
            std::abort();
        }
        return plat::BoxAnswer::Yes;
    }
};

// The words a statement of the program thread may leave set, back to rest, and no error
// pending: every input starts as the first did.
inline void ResetStatement() {
    Err_Reset();
    SharedWords& words = Rt_Words();
    words.checkRequest.store(0);
    words.waitMask.store(0);
}

// Makes the calling thread the program thread with the wait-free clock and the box above
// (plus whatever `more` adds: a mixer, a window). Called once, from LLVMFuzzerInitialize.
inline void StartProgramThread(plat::Platform more = {}) {
    static WaitFreeClock clock;
    static GoOnBox box;
    more.clock = &clock;
    more.message_box = &box;
    plat::Plat_Install(more);
    Rt_SetProgramThread();
    ResetStatement();
}

// A folder of its own under TMPDIR (or /tmp), removed with its files when the run ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/brunolt-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr) {
            std::perror("fuzz: no scratch folder");
            std::abort();
        }
        path_ = name.data();
    }
    ~ScratchFolder() {
        for (const std::string& file : written_) ::unlink(file.c_str());
        ::rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

    // Writes the bytes to the named file in the folder (replacing it) and returns its path.
    std::string Write(const std::string& name, const uint8_t* bytes, size_t size) {
        const std::string file = path_ + "/" + name;
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr || (size > 0 && std::fwrite(bytes, 1, size, out) != size) ||
            std::fclose(out) != 0) {
            std::perror("fuzz: cannot write the input file");
            std::abort();
        }
        bool known = false;
        for (const std::string& old : written_) known = known || old == file;
        if (!known) written_.push_back(file);
        return file;
    }

  private:
    std::string path_;
    std::vector<std::string> written_;
};

}  // namespace fuzz

// Measures the longest gap between passes of the display loop while the real game starts its
// menu, which plays Presenta.ogg through the real mixer: the window must never wait for a decode.
// A benchmark, not a test: run it by hand, on a loaded machine to see the worst.
#include <SDL_keysym.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "game_state.h"
#include "runtime_main.h"
#include "shared_words.h"
#include "tool_usage.h"

namespace {

plat::SdlClock g_clock;

// The real mixer, with the time of every decode of a whole file noted.
class TimedMixer final : public plat::Mixer {
  public:
    explicit TimedMixer(plat::Mixer& real) : real_(real) {}
    bool open_audio(int f, uint16_t fmt, int c, int n) override {
        return real_.open_audio(f, fmt, c, n);
    }
    void close_audio() override { real_.close_audio(); }
    int allocate_channels(int n) override { return real_.allocate_channels(n); }
    plat::MixerChunk* quick_load_raw(uint8_t* b, uint32_t n) override {
        return real_.quick_load_raw(b, n);
    }
    plat::MixerChunk* load_wav(const std::string& path) override {
        decode_start_ms = g_clock.ticks_ms();
        plat::MixerChunk* chunk = real_.load_wav(path);
        decode_end_ms = g_clock.ticks_ms();
        return chunk;
    }
    uint32_t chunk_length_bytes(const plat::MixerChunk* c) override {
        return real_.chunk_length_bytes(c);
    }
    void free_chunk(plat::MixerChunk* c) override { real_.free_chunk(c); }
    int volume(int ch, int v) override { return real_.volume(ch, v); }
    int play_channel_timed(int ch, plat::MixerChunk* c, int l, int t) override {
        return real_.play_channel_timed(ch, c, l, t);
    }
    void halt_channel(int ch) override { real_.halt_channel(ch); }
    bool playing(int ch) override { return real_.playing(ch); }
    void pause(int ch) override { real_.pause(ch); }
    void resume(int ch) override { real_.resume(ch); }
    void set_position(int ch, int16_t a, uint8_t d) override { real_.set_position(ch, a, d); }
    plat::MixerMusic* load_music(const std::string& p) override { return real_.load_music(p); }
    void free_music(plat::MixerMusic* m) override { real_.free_music(m); }
    int music_type(const plat::MixerMusic* m) override { return real_.music_type(m); }
    int play_music(plat::MixerMusic* m, int l) override { return real_.play_music(m, l); }
    void halt_music() override { real_.halt_music(); }
    void pause_music() override { real_.pause_music(); }
    void resume_music() override { real_.resume_music(); }
    void rewind_music() override { real_.rewind_music(); }
    int set_music_position(double s) override { return real_.set_music_position(s); }
    bool playing_music() override { return real_.playing_music(); }
    int volume_music(int v) override { return real_.volume_music(v); }
    std::atomic<uint32_t> decode_start_ms{0};
    std::atomic<uint32_t> decode_end_ms{0};

  private:
    plat::Mixer& real_;
};
TimedMixer* g_timed = nullptr;
uint32_t g_gap_over_decode_ms = 0;
std::atomic<uint32_t> g_passes{0};
uint32_t g_last_ms = 0;
uint32_t g_first_ms = 0;
uint32_t g_longest_gap_ms = 0;
uint32_t g_longest_at_ms = 0;
uint32_t g_run_ms = 8000;

// Display loop, after every pass: the gap since the last pass, a key for the disclaimer, the end.
void AfterPass() {
    const uint32_t now = g_clock.ticks_ms();
    const uint32_t pass = g_passes.fetch_add(1);
    if (pass == 0) g_first_ms = now;
    const uint32_t decode_start = g_timed->decode_start_ms.load();
    const uint32_t decode_end = g_timed->decode_end_ms.load();
    // A gap during which a decode ran (or is running).
    if (pass > 0 && decode_start != 0 && decode_start < now &&
        (decode_end < decode_start || decode_end > g_last_ms) &&
        now - g_last_ms > g_gap_over_decode_ms) {
        g_gap_over_decode_ms = now - g_last_ms;
    }
    if (pass > 0 && now - g_last_ms > g_longest_gap_ms) {
        g_longest_gap_ms = now - g_last_ms;
        g_longest_at_ms = now - g_first_ms;
    }
    g_last_ms = now;
    if (pass == 20) {
        plat::WindowEvent key;
        key.kind = plat::WindowEvent::Kind::KeyDown;
        key.sym = SDLK_SPACE;
        key.unicode = ' ';
        plat::Plat().window->inject_event(key);
    }
    if (now - g_first_ms > g_run_ms) Rt_Words().programEnded.store(1);
}

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: bench_soundgap [MILLISECONDS]\n"
        "       runs the real game for MILLISECONDS (8000) past its disclaimer into the menu,\n"
        "       and prints how long its decode of Presenta.ogg took and the display loop's\n"
        "       longest gap during it and over the whole run\n";
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    if (argc > 2) return Tool_Usage(kUsage, false);
    if (argc == 2) {
        char* end = nullptr;
        const long run_ms = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || run_ms < 1000) return Tool_Usage(kUsage, false);
        g_run_ms = static_cast<uint32_t>(run_ms);
    }
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    const std::unique_ptr<plat::Mixer> real_mixer = plat::MakeSdlMixer();
    TimedMixer timed(*real_mixer);
    g_timed = &timed;
    plat::Platform platform;
    platform.clock = &g_clock;
    platform.window = window.get();
    platform.mixer = &timed;
    Rt_SetLoopHook(AfterPass);
    char name[] = "Brunolt";
    char* args[] = {name};
    const int code = RuntimeRun(1, args, platform, GameMain);
    std::printf(
        "decode %u ms; longest gap during it %u ms; longest gap %u ms at %u ms; "
        "%u passes (exit %d)\n",
        timed.decode_end_ms.load() - timed.decode_start_ms.load(), g_gap_over_decode_ms,
        g_longest_gap_ms, g_longest_at_ms, g_passes.load(), code);
    return code;
}

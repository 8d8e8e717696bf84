// Synthesised sound and number text: one second of wave, the macro "L30O4abc" and Num_ToText,
// beside memcpy of the same samples and the C library's own number formatting.
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "errors.h"
#include "numbers.h"
#include "platform.h"
#include "sound.h"
#include "virtual_mixer.h"

namespace {

// One second of output: 22050 frames of two 16-bit channels.
constexpr int64_t kSecondBytes = int64_t{kSoundRate} * kSoundFrameBytes;
// "L30O4abc" at the default tempo: three thirtieth notes of a two-second whole note.
constexpr int64_t kMacroBytes = 3 * (kSecondBytes * 2 / 30);

class StillClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return 0; }
    void delay_ms(uint32_t) override {}
    plat::TimeOfDay local_time() override { return {}; }
};

void MakeWave(benchmark::State& state) {
    for (auto _ : state) {
        SoundSamples wave = Snd_MakeWave(440.0, 1.0, 1.0);
        benchmark::DoNotOptimize(wave.samples.data());
    }
    bench::Anchor(state, {"memcpy/" + std::to_string(kSecondBytes)});
}

// Parsing, rendering and queueing; the queue and the slots are emptied outside the timing.
void PlayMacro(benchmark::State& state) {
    StillClock clock;
    plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.clock = &clock;
    platform.mixer = &mixer;
    plat::Plat_Install(platform);
    Snd_Reset();
    Err_Reset();
    Snd_EnsureAudio();
    for (auto _ : state) {
        Snd_PlayMacro("L30O4abc");
        state.PauseTiming();
        Snd_StopAll();
        Snd_Reclaim();
        state.ResumeTiming();
    }
    if (Err_IsPending()) state.SkipWithError("the macro raised an error");
    Snd_Reset();
    Err_Reset();
    Rt_Words().waitMask = 0;
    plat::Plat_Install(plat::Platform{});
    bench::Anchor(state, {"memcpy/" + std::to_string(kMacroBytes)});
}

const double kValues[] = {0.0, -1.5, 3.14159265358979, 1234567.0, 1e-12, 65535.0, 0.1, -2.5e20};

void NumberText(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        RtString text = Num_ToText(kValues[i++ % std::size(kValues)]);
        benchmark::DoNotOptimize(text.data());
    }
    bench::Anchor(state, {"snprintf_g"});
}

void SnprintfG(benchmark::State& state) {
    size_t i = 0;
    char text[32];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "%.16g", kValues[i++ % std::size(kValues)]);
        benchmark::DoNotOptimize(text);
        benchmark::ClobberMemory();
    }
}

const bool g_registered = [] {
    benchmark::RegisterBenchmark("sound/make_wave_1s", MakeWave);
    benchmark::RegisterBenchmark("sound/macro_L30O4abc", PlayMacro);
    benchmark::RegisterBenchmark("numbers/num_to_text", NumberText);
    benchmark::RegisterBenchmark("snprintf_g", SnprintfG);
    benchmark::RegisterBenchmark("memcpy", bench::Memcpy)->Arg(kSecondBytes)->Arg(kMacroBytes);
    return true;
}();

}  // namespace

// What the sound tests share: a clock moved by hand, the virtual mixer installed, a reference wave.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "errors.h"
#include "platform.h"
#include "shared_words.h"
#include "sound.h"
#include "virtual_mixer.h"

namespace sound_test {

// Game time stands still until the test moves it; waits only let other threads run.
class ManualClock final : public plat::Clock {
public:
    uint32_t ticks_ms() override { return now_ms_.load(); }
    void delay_ms(uint32_t /*delay_ms*/) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    plat::TimeOfDay local_time() override { return plat::TimeOfDay{}; }
    void set(uint32_t now_ms) { now_ms_.store(now_ms); }
    void advance(uint32_t delta_ms) { now_ms_.fetch_add(delta_ms); }

private:
    std::atomic<uint32_t> now_ms_{0};
};

// Installs the manual clock and a virtual mixer that keeps samples; starts each test afresh.
class SoundFixture : public ::testing::Test {
protected:
    void SetUp() override {
        plat::Platform platform;
        platform.clock = &clock_;
        platform.mixer = &mixer_;
        plat::Plat_Install(platform);
        Snd_Reset();
        Rt_ResetWords();
    }

    void TearDown() override {
        Snd_Reset();
        Rt_ResetWords();
        plat::Plat_Install(plat::Platform{});
    }

    // Pumps the queue, moving game time on 1 ms per pass, until every queued sound has started
    // and the last one has ended; returns every start the mixer saw.
    std::vector<plat::VirtualStart> PlayOut() {
        for (int pass = 0; pass < 10'000'000; ++pass) {
            Snd_PumpQueue();
            if (Snd_QueuedCount() == 0 && !mixer_.playing(-1)) break;
            clock_.advance(1);
        }
        return mixer_.starts();
    }

    ManualClock clock_;
    plat::VirtualMixer mixer_{true};
};

// The samples of a start as 16-bit values.
inline std::vector<int16_t> Samples(const plat::VirtualStart& start) {
    std::vector<int16_t> values(start.bytes.size() / 2);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int16_t>(start.bytes[2 * i] | (start.bytes[2 * i + 1] << 8));
    }
    return values;
}

// The triangle wave written out plainly, as a second opinion on the runtime's: one value per
// frame, before the cut, and the frame of the last upward zero crossing.
struct ReferenceWave {
    std::vector<int16_t> frames;
    size_t cut = 0;  // frames that sound
};

inline ReferenceWave MakeReference(double frequency, double seconds, double level) {
    ReferenceWave wave;
    size_t count = static_cast<size_t>(22050.0 * seconds);
    if (count == 0) count = 1;
    const double exact = 22050.0 * seconds;
    const double step = exact == 0.0 ? 0.0 : seconds * (4.0 * frequency) / exact;
    const double amplitude = level * 32767.0;
    double phase = 0.0;
    double direction = 1.0;
    int previous = 1;
    size_t crossing = 0;
    for (size_t k = 0; k < count; ++k) {
        const int sample = static_cast<int>(phase * amplitude);
        wave.frames.push_back(static_cast<int16_t>(sample));
        if (sample > 0 && previous <= 0) crossing = k;
        previous = sample;
        phase += direction * step;
        if (phase >= 1.0 && direction > 0) {
            phase = 2.0 - phase;
            direction = -1.0;
        } else if (phase <= -1.0 && direction < 0) {
            phase = -2.0 - phase;
            direction = 1.0;
        }
    }
    wave.cut = crossing != 0 ? crossing : count;
    return wave;
}

// A note as a music macro renders it: the cut tone, then silence_frames of silence; stereo.
inline std::vector<int16_t> NoteSamples(const ReferenceWave& wave, size_t silence_frames) {
    std::vector<int16_t> values;
    for (size_t k = 0; k < wave.cut; ++k) {
        values.push_back(wave.frames[k]);
        values.push_back(wave.frames[k]);
    }
    values.resize(values.size() + silence_frames * 2, 0);
    return values;
}

inline double NoteFrequency(int index) { return 440.0 * std::pow(2.0, index / 12.0); }

}  // namespace sound_test

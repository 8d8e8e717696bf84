// Wave synthesis: triangle waves and silence in the output format.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sound.h"
#include "sound_tables.h"

using namespace snd_detail;

namespace snd_detail {

SoundSamples Silence(uint32_t length_bytes) {
    SoundSamples silence;
    silence.samples.assign(length_bytes / 2, 0);
    silence.length_bytes = length_bytes;
    return silence;
}

}  // namespace snd_detail

// ---- Synthesis ----

SoundSamples Snd_MakeWave(double frequency_hz, double seconds, double level) {
    SoundSamples wave;
    const double exact_frames = kSoundRate * seconds;
    int64_t frames = exact_frames >= 1.0 ? static_cast<int64_t>(exact_frames) : 0;
    if (frames == 0) frames = 1;
    wave.samples.assign(static_cast<size_t>(frames) * 2, 0);
    const double step = exact_frames == 0.0 ? 0.0 : seconds * (4.0 * frequency_hz) / exact_frames;
    const double amplitude = level * 32767.0;
    double phase = 0.0;
    bool rising = true;
    int32_t previous = 1;
    int64_t crossing = 0;
    for (int64_t k = 0; k < frames; ++k) {
        const double scaled = std::clamp(std::trunc(phase * amplitude), -32768.0, 32767.0);
        const int32_t sample = static_cast<int32_t>(scaled);
        wave.samples[static_cast<size_t>(k) * 2] = static_cast<int16_t>(sample);
        wave.samples[static_cast<size_t>(k) * 2 + 1] = static_cast<int16_t>(sample);
        if (sample > 0 && previous <= 0) crossing = k;
        previous = sample;
        if (rising) {
            phase += step;
            if (phase >= 1.0) {
                phase = 2.0 - phase;
                rising = false;
            }
        } else {
            phase -= step;
            if (phase <= -1.0) {
                phase = -2.0 - phase;
                rising = true;
            }
        }
        // Above 11025 Hz one step can overshoot the fold: keep folding until the wave is back
        // within one full swing instead of growing without bound.
        while (phase > 1.0 || phase < -1.0) {
            phase = phase > 1.0 ? 2.0 - phase : -2.0 - phase;
            rising = !rising;
        }
    }
    wave.length_bytes = static_cast<uint32_t>(frames * kSoundFrameBytes);
    if (crossing != 0) wave.length_bytes = static_cast<uint32_t>(crossing * kSoundFrameBytes);
    return wave;
}

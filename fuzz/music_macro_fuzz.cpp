// Fuzz target: an arbitrary music-macro string rendered into the virtual mixer.
#include <cstddef>
#include <cstdint>

#include "fuzz_runtime.h"
#include "low_memory.h"
#include "sound.h"
#include "virtual_mixer.h"

namespace {

// A note or pause lasts at most 15 s (tempo 32, length 1, dots); so few of them keep the
// samples of one input below about 21 MB and a run fast. Longer strings add nothing that
// shorter ones do not reach.
constexpr int kMostSounds = 16;

// Bytes that may start a note or a pause, in either case.
bool MaySound(uint8_t byte) {
    const uint8_t upper = byte >= 'a' && byte <= 'z' ? static_cast<uint8_t>(byte - 32) : byte;
    return (upper >= 'A' && upper <= 'G') || upper == 'N' || upper == 'P';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    static plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.mixer = &mixer;
    fuzz::StartProgramThread(platform);
    // The variable segment holds a fixed pattern, so that "=" references read varied values.
    uint8_t* segment = Rt_LowMemory() + kLowMemDataSegment;
    uint32_t state = 12345;
    for (size_t i = 0; i < 65536 + 16; ++i) {
        state = state * 1103515245u + 12345u;
        segment[i] = static_cast<uint8_t>(state >> 23);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int sounds = 0;
    for (size_t i = 0; i < size; ++i) sounds += MaySound(data[i]) ? 1 : 0;
    if (sounds > kMostSounds) return -1;  // not kept in the corpus
    Snd_PlayMacro(RtString(reinterpret_cast<const char*>(data), size));
    // Every input starts with the settings, the queue and the slots of a fresh run.
    Snd_Reset();
    fuzz::ResetStatement();
    return 0;
}

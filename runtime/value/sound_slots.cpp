// The slot table behind its lock: slots and handles, the music stream, audio start-up and reset.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "errors.h"
#include "shared_words.h"
#include "sound.h"
#include "sound_tables.h"

using namespace snd_detail;

namespace snd_detail {

SoundRuntime& Sound() {
    static SoundRuntime state;
    return state;
}

uint32_t NowTick() {
    plat::Clock* clock = plat::Plat().clock;
    return clock == nullptr ? 0 : clock->ticks_ms();
}

// Seconds of sound in a chunk of the output format.
double ChunkSeconds(plat::Mixer& mixer, const plat::MixerChunk* chunk) {
    return static_cast<double>(mixer.chunk_length_bytes(chunk)) / kSoundRate / 2 / 2;
}

void SleepMs(uint32_t delay_ms) {
    plat::Clock* clock = plat::Plat().clock;
    if (clock != nullptr) clock->delay_ms(delay_ms);
}

void RaiseIllegal() {
    Err_Raise(5);
}

// ---- Slots (callers hold the table lock) ----

int FindSlot(const SoundRuntime& s, uint32_t handle) {
    if (handle < kFirstHandle) return -1;
    for (int i = 0; i < kSoundSlotCount; ++i) {
        if (s.slots[static_cast<size_t>(i)].handle == handle) return i;
    }
    return -1;
}

int LowestFreeSlot(const SoundRuntime& s) {
    for (int i = 0; i < kSoundSlotCount; ++i) {
        if (s.slots[static_cast<size_t>(i)].handle == 0) return i;
    }
    return -1;
}

uint32_t TakeHandle(SoundRuntime& s) {
    const uint32_t handle = s.nextHandle;
    ++s.nextHandle;
    if (s.nextHandle == 0) s.nextHandle = kFirstHandle;
    return handle;
}

// Clears the started flag once the mixer reports the channel idle.
void UpdateStarted(SoundRuntime& s, int index) {
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    if (slot.started != 0 && slot.looping == 0 && !s.mixer->playing(index)) slot.started = 0;
}

bool SlotSounding(SoundRuntime& s, int index) {
    UpdateStarted(s, index);
    const SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    return slot.started != 0 && slot.paused == 0;
}

void FreeSlot(SoundRuntime& s, int index) {
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    bool shared = false;
    for (int j = 0; j < kSoundSlotCount; ++j) {
        const SoundSlot& other = s.slots[static_cast<size_t>(j)];
        if (j != index && other.handle != 0 && other.chunk == slot.chunk) shared = true;
    }
    if (!shared && slot.chunk != nullptr) s.mixer->free_chunk(slot.chunk);
    slot = SoundSlot{};  // the samples go after the chunk that pointed at them
}

void StopMusicLocked(SoundRuntime& s) {
    s.mixer->halt_music();
    s.music.playing = false;
    s.music.paused = false;
    s.music.looping = false;
    s.music.limitActive = false;
    s.music.pendingPosition = -1.0;
}

void FreeMusicLocked(SoundRuntime& s) {
    if (s.music.music != nullptr) s.mixer->free_music(s.music.music);
    s.music = MusicStream{};
}

void ReclaimLocked(SoundRuntime& s) {
    for (int i = 0; i < kSoundSlotCount; ++i) {
        const SoundSlot& slot = s.slots[static_cast<size_t>(i)];
        if (slot.handle == 0 || slot.closed == 0) continue;
        UpdateStarted(s, i);
        if (s.slots[static_cast<size_t>(i)].started == 0) FreeSlot(s, i);
    }
    if (s.music.loaded && s.music.closed && !s.mixer->playing_music()) FreeMusicLocked(s);
}

uint32_t NewRawSoundLocked(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                           const std::string& what) {
    const int index = LowestFreeSlot(s);
    if (index < 0) return 0;
    auto samples = std::make_shared<std::vector<int16_t>>(std::move(sound.samples));
    const uint32_t length_bytes =
        std::min<uint32_t>(sound.length_bytes, static_cast<uint32_t>(samples->size() * 2));
    s.mixer->volume(index, kFullVolume);
    // The mixer reads the samples in place and never writes them.
    plat::MixerChunk* chunk =
        s.mixer->quick_load_raw(reinterpret_cast<uint8_t*>(samples->data()), length_bytes);
    if (chunk == nullptr) return 0;
    s.mixer->describe_chunk(chunk, kind, what);
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    slot = SoundSlot{};
    slot.chunk = chunk;
    slot.samples = std::move(samples);
    slot.lengthSeconds = ChunkSeconds(*s.mixer, chunk);
    slot.handle = TakeHandle(s);
    slot.capabilities = kCapSample;
    return slot.handle;
}

// Starts a queued sound on its slot's channel; a refusal by the mixer is passed over.
void PlayQueuedLocked(SoundRuntime& s, uint32_t handle) {
    const int index = FindSlot(s, handle);
    if (index < 0) return;
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    if (slot.closed != 0) return;
    s.mixer->halt_channel(index);
    s.mixer->play_channel_timed(index, slot.chunk, 0, -1);
    slot.startTick = NowTick();
    slot.started = 1;
}

// Forgets every table without calling a mixer (the one they belonged to is gone).
void ForgetLocked(SoundRuntime& s) {
    s.slots.fill(SoundSlot{});
    s.music = MusicStream{};
    s.nextHandle = kFirstHandle;
    s.queue.writeIndex.store(0, std::memory_order_release);
    s.queue.readIndex.store(0, std::memory_order_release);
    s.queue.started = false;
    s.queue.marker.store(-1, std::memory_order_release);
    Rt_Words().waitMask.fetch_and(static_cast<uint8_t>(~kWaitSound), std::memory_order_acq_rel);
    s.mixer = nullptr;
}

}  // namespace snd_detail

namespace {

constexpr uint32_t kStartSilenceBytes = 32768;  // about 0.37 s before the first sound of a run
constexpr int kExitNoAudio = 10001;

[[noreturn]] void EndWithoutAudio() {
    // No output to play on: the program ends at once with its own exit code. On the program
    // thread this goes through the normal shutdown, so the window and files close properly.
    SharedWords& words = Rt_Words();
    words.exitCode.store(kExitNoAudio, std::memory_order_release);
    if (Rt_IsProgramThread()) {
        words.programEnded.store(1, std::memory_order_release);
        Rt_ParkProgramThread();
    }
    std::exit(kExitNoAudio);
}

}  // namespace

// ---- Audio start-up ----

void Snd_EnsureAudio() {
    SoundRuntime& s = Sound();
    plat::Mixer* mixer = plat::Plat().mixer;
    {
        std::lock_guard<std::mutex> lock(s.tableLock);
        if (s.mixer != nullptr && s.mixer == mixer) return;
        // A different mixer was installed for a new run: what belonged to the old one is gone.
        if (s.mixer != nullptr) ForgetLocked(s);
    }
    if (mixer == nullptr || !mixer->open_audio(kSoundRate, plat::kAudioS16Lsb, 2, 1024)) {
        EndWithoutAudio();
    }
    mixer->allocate_channels(kSoundSlotCount);
    {
        std::lock_guard<std::mutex> lock(s.tableLock);
        s.mixer = mixer;
    }
    QueueSound(s, Silence(kStartSilenceBytes), "silence", "0.37 s", false);
}

void Snd_Forget() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    ForgetLocked(s);
    s.macro = MacroState{};
}

void Snd_Reset() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (s.mixer != nullptr && s.mixer == plat::Plat().mixer) {
        s.mixer->halt_channel(-1);
        s.mixer->halt_music();
        for (int i = 0; i < kSoundSlotCount; ++i) {
            if (s.slots[static_cast<size_t>(i)].handle != 0) FreeSlot(s, i);
        }
        FreeMusicLocked(s);
        s.mixer->close_audio();
    }
    ForgetLocked(s);
    s.macro = MacroState{};
}

size_t Snd_SlotsInUse() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    return static_cast<size_t>(std::count_if(
        s.slots.begin(), s.slots.end(), [](const SoundSlot& slot) { return slot.handle != 0; }));
}

int Snd_ChannelOf(uint32_t handle) {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    return FindSlot(s, handle);
}

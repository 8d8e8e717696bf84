// The sound runtime's tables and the helpers its files share (private to this folder).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform.h"
#include "sound.h"

namespace snd_detail {

constexpr uint8_t kCapSample = 1;
constexpr uint8_t kCapVolume = 2;
constexpr uint8_t kCapPause = 4;
constexpr uint8_t kCapLength = 8;
constexpr uint8_t kCapPosition = 16;
constexpr uint32_t kFirstHandle = 2;
constexpr int kFullVolume = 128;

using SampleBuffer = std::shared_ptr<const std::vector<int16_t>>;

struct SoundSlot {
    uint32_t handle = 0;  // 0 = free
    plat::MixerChunk* chunk = nullptr;
    uint8_t closed = 0;
    uint8_t started = 0;
    uint8_t paused = 0;
    float volume = 1.0f;
    float volumeFactor = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    uint32_t startTick = 0;
    uint32_t pauseTick = 0;
    uint8_t looping = 0;
    int32_t limitMs = 0;  // 0 = none
    double lengthSeconds = 0.0;
    uint8_t capabilities = 0;
    // The synthesised samples behind a raw chunk (shared by copies); empty for files.
    SampleBuffer samples;
};

struct MusicStream {
    plat::MixerMusic* music = nullptr;
    float volume = 1.0f;
    float distanceFactor = 1.0f;
    bool loaded = false;
    bool closed = false;
    bool playing = false;
    bool paused = false;
    bool looping = false;
    uint32_t startTick = 0;
    uint32_t pauseTick = 0;
    double pendingPosition = -1.0;  // < 0: none
    double limitSeconds = 0.0;      // 0: none
    bool limitActive = false;
    bool seekable = false;
    double lengthSeconds = -1.0;
    uint8_t capabilities = 0;
};

// The ring is written by the program thread and read by the display loop's pump: each entry is
// stored before the write index that publishes it moves, and only the pump moves the read index.
struct SoundQueue {
    std::array<uint32_t, kSoundQueueLength> entries{};
    std::atomic<uint32_t> writeIndex{0};
    std::atomic<uint32_t> readIndex{0};
    bool started = false;  // whether the pump has ever started an entry (pump only)
    // The entry whose start releases the waiting program thread, -1 when none.
    std::atomic<int32_t> marker{-1};
};

// Settings that carry from one music-macro string to the next for the whole run.
struct MacroState {
    double tempo = 120.0;
    double length = 4.0;
    double volume = 50.0;
    double articulation = 0.125;
    int octave = 4;
    bool background = false;
    double defaultSeconds = 0.5;
};

// The runtime's sound tables. The slot table and the music stream are touched by the program
// thread (sound operations) and by the display loop (pump, limits, stop at the end), so they
// sit behind a short lock that no thread holds while it waits or sleeps. The macro settings
// belong to the program thread alone.
struct SoundRuntime {
    std::mutex tableLock;
    plat::Mixer* mixer = nullptr;  // the mixer that was opened; null until then
    std::array<SoundSlot, kSoundSlotCount> slots{};
    MusicStream music;
    uint32_t nextHandle = kFirstHandle;
    SoundQueue queue;
    MacroState macro;
};

SoundRuntime& Sound();
uint32_t NowTick();
// Seconds of sound in a chunk of the output format.
double ChunkSeconds(plat::Mixer& mixer, const plat::MixerChunk* chunk);
void SleepMs(uint32_t delay_ms);
void RaiseIllegal();

// ---- Slots (callers hold the table lock) ----

int FindSlot(const SoundRuntime& s, uint32_t handle);
int LowestFreeSlot(const SoundRuntime& s);
uint32_t TakeHandle(SoundRuntime& s);
// Clears the started flag once the mixer reports the channel idle.
void UpdateStarted(SoundRuntime& s, int index);
bool SlotSounding(SoundRuntime& s, int index);
void FreeSlot(SoundRuntime& s, int index);
void StopMusicLocked(SoundRuntime& s);
void FreeMusicLocked(SoundRuntime& s);
void ReclaimLocked(SoundRuntime& s);
uint32_t NewRawSoundLocked(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                           const std::string& what);
// Starts a queued sound on its slot's channel; a refusal by the mixer is passed over.
void PlayQueuedLocked(SoundRuntime& s, uint32_t handle);
// Forgets every table without calling a mixer (the one they belonged to is gone).
void ForgetLocked(SoundRuntime& s);

// ---- The queue (program thread appends) ----

// Appends a handle; with_marker makes its start release the program thread. A full ring (which
// the 256 slots already prevent) drops the sound.
void Append(SoundRuntime& s, uint32_t handle, bool with_marker);
uint32_t NewRawSound(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                     const std::string& what);
void QueueSound(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                const std::string& what, bool with_marker);

// ---- Synthesis ----

SoundSamples Silence(uint32_t length_bytes);

}  // namespace snd_detail

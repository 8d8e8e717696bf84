// The sound queue: the program thread appends handles, the display loop's pump starts them.
#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "shared_words.h"
#include "sound.h"
#include "sound_tables.h"

using namespace snd_detail;

namespace {

uint32_t QueueNext(uint32_t index) {
    return index + 1 == kSoundQueueLength ? 0 : index + 1;
}

}  // namespace

namespace snd_detail {

// Appends a handle; with_marker makes its start release the program thread. A full ring (which
// the 256 slots already prevent) drops the sound.
void Append(SoundRuntime& s, uint32_t handle, bool with_marker) {
    SoundQueue& q = s.queue;
    const uint32_t write = q.writeIndex.load(std::memory_order_relaxed);
    const uint32_t next = QueueNext(write);
    if (next == q.readIndex.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(s.tableLock);
        const int index = FindSlot(s, handle);
        if (index >= 0) FreeSlot(s, index);
        return;
    }
    q.entries[write] = handle;
    if (with_marker) {
        q.marker.store(static_cast<int32_t>(write), std::memory_order_release);
        Rt_Words().waitMask.fetch_or(kWaitSound, std::memory_order_acq_rel);
        Rt_Words().checkRequest.store(1, std::memory_order_release);
    }
    q.writeIndex.store(next, std::memory_order_release);
}

uint32_t NewRawSound(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                     const std::string& what) {
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (s.mixer == nullptr) return 0;
    return NewRawSoundLocked(s, std::move(sound), kind, what);
}

void QueueSound(SoundRuntime& s, SoundSamples&& sound, const std::string& kind,
                const std::string& what, bool with_marker) {
    const uint32_t handle = NewRawSound(s, std::move(sound), kind, what);
    if (handle != 0) Append(s, handle, with_marker);
}

}  // namespace snd_detail

uint32_t Snd_NewRawSound(SoundSamples samples) {
    return NewRawSound(Sound(), std::move(samples), "tune", "");
}

// ---- The queue pump (display and event loop) ----

void Snd_PumpQueue() {
    SoundRuntime& s = Sound();
    SoundQueue& q = s.queue;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (s.mixer == nullptr) return;
    const uint32_t read = q.readIndex.load(std::memory_order_relaxed);
    if (read == q.writeIndex.load(std::memory_order_acquire)) return;
    if (!q.started) {
        q.started = true;
    } else {
        const uint32_t previous = q.entries[read == 0 ? kSoundQueueLength - 1 : read - 1];
        const int index = FindSlot(s, previous);
        if (index >= 0) {
            if (SlotSounding(s, index)) return;
            s.slots[static_cast<size_t>(index)].closed = 1;
            ReclaimLocked(s);
        }
    }
    // The marker is cleared before the wait bit, so that a program thread released by the bit
    // may set a new marker that nothing here overwrites.
    int32_t expected = static_cast<int32_t>(read);
    if (q.marker.compare_exchange_strong(expected, -1, std::memory_order_acq_rel)) {
        Rt_Words().waitMask.fetch_and(static_cast<uint8_t>(~kWaitSound), std::memory_order_acq_rel);
        Rt_WakeProgram();
    }
    PlayQueuedLocked(s, q.entries[read]);
    q.readIndex.store(QueueNext(read), std::memory_order_release);
}

void Snd_StopAll() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    s.queue.readIndex.store(s.queue.writeIndex.load(std::memory_order_acquire),
                            std::memory_order_release);
    // Nothing queued will ever reach the marker now: a waiting program thread must not wait on.
    s.queue.marker.store(-1, std::memory_order_release);
    Rt_Words().waitMask.fetch_and(static_cast<uint8_t>(~kWaitSound), std::memory_order_acq_rel);
    Rt_WakeProgram();
    if (s.mixer == nullptr) return;
    // Sounds already closed but still playing (files started by Snd_PlayFile) stop as well,
    // so that everything is released here.
    if (s.music.loaded) {
        StopMusicLocked(s);
        s.music.closed = true;
    }
    for (int i = 0; i < kSoundSlotCount; ++i) {
        SoundSlot& slot = s.slots[static_cast<size_t>(i)];
        if (slot.handle == 0) continue;
        s.mixer->halt_channel(i);
        slot.started = 0;
        slot.paused = 0;
        slot.looping = 0;
        slot.closed = 1;
    }
    ReclaimLocked(s);
}

void Snd_EnforceLimits() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (s.mixer == nullptr) return;
    const MusicStream& m = s.music;
    if (!m.loaded || !m.playing || !m.limitActive || m.looping) return;
    const uint32_t end = m.paused ? m.pauseTick : NowTick();
    if (static_cast<double>(end - m.startTick) >= m.limitSeconds * 1000.0) StopMusicLocked(s);
}

uint32_t Snd_QueuedCount() {
    const SoundQueue& q = Sound().queue;
    const uint32_t write = q.writeIndex.load(std::memory_order_acquire);
    const uint32_t read = q.readIndex.load(std::memory_order_acquire);
    return (write + kSoundQueueLength - read) % kSoundQueueLength;
}

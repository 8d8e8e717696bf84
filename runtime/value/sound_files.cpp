// Sound files and the operations on sound handles (play, stop, pause, volume, place, ...).
#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <string>

#include "errors.h"
#include "sound.h"
#include "sound_tables.h"

using namespace snd_detail;

namespace {

// ---- Files ----

struct Capabilities {
    bool sync = false;
    bool volume = false;
    bool pause = false;
    bool length = false;
    bool position = false;
};

bool ParseCapabilities(const RtString& list, Capabilities& out) {
    if (list.empty()) return true;
    std::string upper = list;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    size_t start = 0;
    for (;;) {
        const size_t comma = upper.find(',', start);
        std::string item =
            upper.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t first = item.find_first_not_of(' ');
        const size_t last = item.find_last_not_of(' ');
        item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
        bool* flag = item == "SYNC"     ? &out.sync
                     : item == "VOL"    ? &out.volume
                     : item == "PAUSE"  ? &out.pause
                     : item == "LEN"    ? &out.length
                     : item == "SETPOS" ? &out.position
                                        : nullptr;
        if (flag == nullptr || *flag) return false;
        *flag = true;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

int VolumeValue(double volume) {
    int value = static_cast<int>(volume * 129.0);
    return value == 129 ? 128 : value;
}

// Valid handles for the table operations: the open music stream or a sample not closed.
bool MusicUsable(const SoundRuntime& s) {
    return s.music.loaded && !s.music.closed;
}

int UsableSlot(const SoundRuntime& s, uint32_t handle) {
    const int index = FindSlot(s, handle);
    if (index < 0 || s.slots[static_cast<size_t>(index)].closed != 0) return -1;
    return index;
}

// Turns the slot's place into the mixer's angle (0 straight ahead, clockwise) and distance.
void ApplyPlaceLocked(SoundRuntime& s, int index) {
    const SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    const double x = slot.x;
    const double y = slot.y;
    const double z = slot.x == 0.0f && slot.z == 0.0f ? 1.0 : double{slot.z};
    double angle = std::nearbyint(std::atan2(x, z) * 180.0 / std::numbers::pi);
    if (angle < 0.0) angle += 360.0;
    if (angle >= 360.0) angle = 0.0;
    const double distance = std::clamp(std::sqrt(x * x + y * y + z * z), 1.0, 999.9);
    s.mixer->set_position(index, static_cast<int16_t>(angle),
                          static_cast<uint8_t>(distance / 3.90625));
}

void PlayLocked(SoundRuntime& s, std::unique_lock<std::mutex>& lock, uint32_t handle,
                bool looping) {
    const uint32_t now = NowTick();
    if (handle == kMusicHandle) {
        MusicStream& m = s.music;
        if (!MusicUsable(s)) return RaiseIllegal();
        if (m.paused && !looping) {
            s.mixer->resume_music();
            m.startTick += now - m.pauseTick;
            m.paused = false;
            return;
        }
        if (looping && m.limitSeconds > 0.0) return RaiseIllegal();
        s.mixer->halt_music();
        s.mixer->play_music(m.music, looping ? -1 : 0);
        m.paused = false;
        m.looping = looping;
        m.limitActive = m.limitSeconds > 0.0 && !looping;
        m.startTick = now;
        if (m.pendingPosition >= 0.0) {
            const double position = m.pendingPosition;
            plat::MixerMusic* music = m.music;
            lock.unlock();
            SleepMs(100);
            lock.lock();
            if (!s.music.loaded || s.music.music != music) return;
            s.mixer->set_music_position(position);
            s.music.startTick -= static_cast<uint32_t>(std::llround(position * 1000.0));
            s.music.pendingPosition = -1.0;
        }
        s.music.playing = true;
        return;
    }
    const int index = UsableSlot(s, handle);
    if (index < 0) return RaiseIllegal();
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    if (slot.paused != 0 && !looping) {
        s.mixer->resume(index);
        slot.startTick += now - slot.pauseTick;
        slot.paused = 0;
        return;
    }
    if (looping && slot.limitMs > 0) return RaiseIllegal();
    s.mixer->halt_channel(index);
    slot.paused = 0;
    // The place is applied again because halting the channel forgets it.
    if (slot.x != 0.0f || slot.y != 0.0f || slot.z != 0.0f) ApplyPlaceLocked(s, index);
    const int limit = !looping && slot.limitMs > 0 ? slot.limitMs : -1;
    s.mixer->play_channel_timed(index, slot.chunk, looping ? -1 : 0, limit);
    slot.looping = looping ? 1 : 0;
    slot.startTick = now;
    slot.started = 1;
}

void StopLocked(SoundRuntime& s, uint32_t handle) {
    if (handle == kMusicHandle) {
        if (!MusicUsable(s)) return RaiseIllegal();
        StopMusicLocked(s);
        return;
    }
    const int index = UsableSlot(s, handle);
    if (index < 0) return RaiseIllegal();
    s.mixer->halt_channel(index);
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    slot.started = 0;
    slot.paused = 0;
    slot.looping = 0;
}

// Runs a table operation under the lock after the common checks; false when it must not run.
bool Prepare(SoundRuntime& s) {
    Snd_EnsureAudio();
    if (Err_IsPending()) return false;
    std::lock_guard<std::mutex> lock(s.tableLock);
    return s.mixer != nullptr;
}

// The capability bits of a valid handle, or -1 after raising error 5.
int CapabilitiesOf(const SoundRuntime& s, uint32_t handle) {
    if (handle == kMusicHandle) {
        if (!MusicUsable(s)) return RaiseIllegal(), -1;
        return s.music.capabilities;
    }
    const int index = UsableSlot(s, handle);
    if (index < 0) return RaiseIllegal(), -1;
    return s.slots[static_cast<size_t>(index)].capabilities;
}

bool Require(const SoundRuntime& s, uint32_t handle, uint8_t capability) {
    const int bits = CapabilitiesOf(s, handle);
    if (bits < 0) return false;
    if (capability != 0 && (bits & capability) == 0) {
        RaiseIllegal();
        return false;
    }
    return true;
}

}  // namespace

// ---- Sound files and the handle operations ----

uint32_t Snd_OpenFile(const RtString& name, const RtString& capabilities) {
    SoundRuntime& s = Sound();
    Snd_EnsureAudio();
    if (Err_IsPending()) return 0;
    Capabilities wanted;
    if (!ParseCapabilities(capabilities, wanted)) return RaiseIllegal(), 0;
    // Up to the first zero byte, as the file system sees it; "/" stays "/" on this platform.
    const std::string path(name.c_str());
    // The mixer decodes a whole sample file, which on a busy machine can take a second: it does
    // so outside the table's lock, which the display loop's pump takes on every pass. Only the
    // program thread opens sounds, so the mixer stays and the pump can only free slots meanwhile.
    plat::Mixer* mixer = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.tableLock);
        if (s.mixer == nullptr) return 0;
        mixer = s.mixer;
        if (wanted.sync) {
            if (wanted.position || LowestFreeSlot(s) < 0) return 0;
        } else {
            if (s.music.loaded && !s.music.closed) return RaiseIllegal(), 0;
            // Only one music stream exists: opening another cuts the closed one off.
            if (s.music.loaded) FreeMusicLocked(s);
        }
    }
    if (wanted.sync) {
        plat::MixerChunk* chunk = mixer->load_wav(path);
        if (chunk == nullptr) return 0;
        std::lock_guard<std::mutex> lock(s.tableLock);
        const int index = LowestFreeSlot(s);
        if (index < 0) {
            mixer->free_chunk(chunk);
            return 0;
        }
        mixer->volume(index, kFullVolume);
        mixer->describe_chunk(chunk, "file", path);
        SoundSlot& slot = s.slots[static_cast<size_t>(index)];
        slot = SoundSlot{};
        slot.chunk = chunk;
        slot.lengthSeconds = ChunkSeconds(*mixer, chunk);
        slot.handle = TakeHandle(s);
        slot.capabilities =
            static_cast<uint8_t>(kCapSample | (wanted.volume ? kCapVolume : 0) |
                                 (wanted.pause ? kCapPause : 0) | (wanted.length ? kCapLength : 0));
        return slot.handle;
    }
    double length_seconds = -1.0;
    if (wanted.length) {
        plat::MixerChunk* probe = mixer->load_wav(path);
        if (probe == nullptr) return 0;
        length_seconds = ChunkSeconds(*mixer, probe);
        mixer->free_chunk(probe);
    }
    plat::MixerMusic* music = mixer->load_music(path);
    if (music == nullptr) return 0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    mixer->volume_music(kFullVolume);
    const int type = mixer->music_type(music);
    if (wanted.position && type != plat::kMusicTypeMp3) {
        mixer->free_music(music);
        return 0;
    }
    MusicStream& m = s.music;
    m = MusicStream{};
    m.music = music;
    m.seekable = type == plat::kMusicTypeMp3;
    m.lengthSeconds = length_seconds;
    m.capabilities = static_cast<uint8_t>(
        (wanted.volume ? kCapVolume : 0) | (wanted.pause ? kCapPause : 0) |
        (wanted.length ? kCapLength : 0) | (wanted.position ? kCapPosition : 0));
    m.loaded = true;
    return kMusicHandle;
}

void Snd_PlayFile(const RtString& name, int32_t sync, double volume, int32_t given_flags) {
    Snd_EnsureAudio();
    if (Err_IsPending()) return;
    const bool volume_given = (given_flags & 2) != 0;
    if (volume_given && !(volume >= 0.0 && volume <= 1.0)) return RaiseIllegal();
    // A volume of 1 is what every sound starts with; only another one needs the capability.
    const bool set_volume = volume_given && volume != 1.0;
    RtString capabilities = sync != 0 ? "SYNC" : "";
    if (set_volume) capabilities += sync != 0 ? ",VOL" : "VOL";
    const uint32_t handle = Snd_OpenFile(name, capabilities);
    if (handle == 0) return;
    if (set_volume) Snd_SetVolume(handle, volume);
    Snd_Play(handle);
    Snd_Close(handle);
}

void Snd_Play(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::unique_lock<std::mutex> lock(s.tableLock);
    PlayLocked(s, lock, handle, false);
}

void Snd_Loop(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::unique_lock<std::mutex> lock(s.tableLock);
    StopLocked(s, handle);
    if (!Err_IsPending()) PlayLocked(s, lock, handle, true);
}

void Snd_Stop(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::lock_guard<std::mutex> lock(s.tableLock);
    StopLocked(s, handle);
}

void Snd_Close(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (handle == kMusicHandle) {
        if (!MusicUsable(s)) return RaiseIllegal();
        s.music.closed = true;
    } else {
        const int index = UsableSlot(s, handle);
        if (index < 0) return RaiseIllegal();
        s.slots[static_cast<size_t>(index)].closed = 1;
    }
    ReclaimLocked(s);
}

void Snd_Reclaim() {
    SoundRuntime& s = Sound();
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (s.mixer != nullptr) ReclaimLocked(s);
}

void Snd_Pause(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, kCapPause)) return;
    const uint32_t now = NowTick();
    if (handle == kMusicHandle) {
        MusicStream& m = s.music;
        if (m.playing && !m.paused && s.mixer->playing_music()) {
            s.mixer->pause_music();
            m.pauseTick = now;
            m.paused = true;
        }
        return;
    }
    const int index = FindSlot(s, handle);
    if (SlotSounding(s, index)) {
        s.mixer->pause(index);
        s.slots[static_cast<size_t>(index)].pauseTick = now;
        s.slots[static_cast<size_t>(index)].paused = 1;
    }
}

int32_t Snd_IsPaused(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return 0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, kCapPause)) return 0;
    if (handle == kMusicHandle) return s.music.paused ? -1 : 0;
    return s.slots[static_cast<size_t>(FindSlot(s, handle))].paused != 0 ? -1 : 0;
}

int32_t Snd_IsPlaying(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return 0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, 0)) return 0;
    if (handle == kMusicHandle) {
        MusicStream& m = s.music;
        if (m.playing && !m.paused && !m.looping && !s.mixer->playing_music()) m.playing = false;
        return m.playing && !m.paused ? -1 : 0;
    }
    return SlotSounding(s, FindSlot(s, handle)) ? -1 : 0;
}

void Snd_SetVolume(uint32_t handle, double volume) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    if (!(volume >= 0.0 && volume <= 1.0)) return RaiseIllegal();
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, kCapVolume)) return;
    const int value = VolumeValue(volume);
    if (handle == kMusicHandle) {
        s.music.volume = static_cast<float>(volume);
        s.mixer->volume_music(static_cast<int>(value * s.music.distanceFactor));
        return;
    }
    const int index = FindSlot(s, handle);
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    slot.volume = static_cast<float>(volume);
    s.mixer->volume(index, static_cast<int>(value * slot.volumeFactor));
}

double Snd_Length(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return 0.0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, kCapLength)) return 0.0;
    if (handle == kMusicHandle) return s.music.lengthSeconds;
    return s.slots[static_cast<size_t>(FindSlot(s, handle))].lengthSeconds;
}

double Snd_Elapsed(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return 0.0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, 0)) return 0.0;
    const uint32_t now = NowTick();
    if (handle == kMusicHandle) {
        const MusicStream& m = s.music;
        if (!m.playing) return 0.0;
        return static_cast<double>((m.paused ? m.pauseTick : now) - m.startTick) / 1000.0;
    }
    const int index = FindSlot(s, handle);
    UpdateStarted(s, index);
    const SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    if (slot.started == 0) return 0.0;
    return static_cast<double>((slot.paused != 0 ? slot.pauseTick : now) - slot.startTick) / 1000.0;
}

void Snd_SetLimit(uint32_t handle, double seconds) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, 0)) return;
    if (!(seconds >= 0.0 && seconds <= 2147483.0)) return RaiseIllegal();
    if (handle == kMusicHandle) {
        s.music.limitSeconds = seconds;
        return;
    }
    s.slots[static_cast<size_t>(FindSlot(s, handle))].limitMs =
        static_cast<int32_t>(std::llround(seconds * 1000.0));
}

void Snd_SetPosition(uint32_t handle, double seconds) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::unique_lock<std::mutex> lock(s.tableLock);
    if (handle != kMusicHandle) return RaiseIllegal();
    if (!Require(s, handle, kCapPosition)) return;
    if (!s.music.seekable || !(seconds >= 0.0)) return RaiseIllegal();
    if (!s.music.playing) {
        s.music.pendingPosition = seconds;
        return;
    }
    // The decoder needs a moment between stopping, rewinding and seeking.
    plat::MixerMusic* music = s.music.music;
    lock.unlock();
    SleepMs(100);
    lock.lock();
    if (s.music.music != music || !s.music.loaded) return;
    s.mixer->rewind_music();
    lock.unlock();
    SleepMs(100);
    lock.lock();
    if (s.music.music != music || !s.music.loaded) return;
    s.mixer->set_music_position(seconds);
    s.music.startTick = NowTick() - static_cast<uint32_t>(std::llround(seconds * 1000.0));
}

void Snd_Place(uint32_t handle, double x, double y, double z) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (!Require(s, handle, kCapVolume)) return;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return RaiseIllegal();
    if (handle == kMusicHandle) {
        double distance = std::sqrt(x * x + y * y + z * z);
        if (distance < 1.0) distance = 0.0;
        if (distance > 1000.0) distance = 1000.0;
        s.music.distanceFactor = static_cast<float>((1000.0 - distance) / 1000.0);
        const int volume = VolumeValue(s.music.volume);
        s.mixer->volume_music(static_cast<int>(volume * s.music.distanceFactor));
        return;
    }
    const int index = FindSlot(s, handle);
    SoundSlot& slot = s.slots[static_cast<size_t>(index)];
    slot.x = static_cast<float>(x);
    slot.y = static_cast<float>(y);
    slot.z = static_cast<float>(z);
    ApplyPlaceLocked(s, index);
}

uint32_t Snd_Copy(uint32_t handle) {
    SoundRuntime& s = Sound();
    if (!Prepare(s)) return 0;
    std::lock_guard<std::mutex> lock(s.tableLock);
    if (handle == kMusicHandle) return RaiseIllegal(), 0;
    if (!Require(s, handle, kCapSample)) return 0;
    const int from = FindSlot(s, handle);
    const int index = LowestFreeSlot(s);
    if (index < 0) return 0;
    const SoundSlot& source = s.slots[static_cast<size_t>(from)];
    SoundSlot copy;
    copy.chunk = source.chunk;
    copy.samples = source.samples;
    copy.lengthSeconds = source.lengthSeconds;
    copy.capabilities = source.capabilities;
    copy.handle = TakeHandle(s);
    s.mixer->volume(index, kFullVolume);
    s.slots[static_cast<size_t>(index)] = std::move(copy);
    return s.slots[static_cast<size_t>(index)].handle;
}

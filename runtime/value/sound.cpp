// Tones, music macros and sound files: synthesis, the slot table, the queue and the music stream.
#include "sound.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <utility>

#include "errors.h"
#include "low_memory.h"
#include "platform.h"
#include "shared_words.h"

namespace {

constexpr uint8_t kCapSample = 1;
constexpr uint8_t kCapVolume = 2;
constexpr uint8_t kCapPause = 4;
constexpr uint8_t kCapLength = 8;
constexpr uint8_t kCapPosition = 16;
constexpr uint32_t kFirstHandle = 2;
constexpr uint32_t kStartSilenceBytes = 32768;  // about 0.37 s before the first sound of a run
constexpr uint32_t kMarkerBytes = 4;
constexpr double kTicksPerSecond = 18.2;
constexpr int kFullVolume = 128;
constexpr int kExitNoAudio = 10001;
constexpr int64_t kNumberCap = 1'000'000'000'000;  // far beyond every range; stops overflow

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

void RaiseIllegal() { Err_Raise(5); }

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

// ---- The queue (program thread appends) ----

uint32_t QueueNext(uint32_t index) { return index + 1 == kSoundQueueLength ? 0 : index + 1; }

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

SoundSamples Silence(uint32_t length_bytes) {
    SoundSamples silence;
    silence.samples.assign(length_bytes / 2, 0);
    silence.length_bytes = length_bytes;
    return silence;
}

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

// ---- Music macros ----

enum class Pending : uint8_t { None, Note, L, O, N, M, T, P, V };
enum class NumberState : uint8_t { None, Digits, Reference };

double Beats(const MacroState& m, double length) {
    return (1.0 / (m.tempo / 60.0)) * (4.0 / length);
}

void RecomputeDefault(MacroState& m) { m.defaultSeconds = Beats(m, m.length); }

// Reads a variable in the variable segment by its type code; false for a bad code or a value
// that is not a number in the signed 32-bit range.
bool ReadReference(uint8_t type, uint16_t offset, int64_t& out) {
    const uint8_t* at = Rt_LowMemory() + kLowMemDataSegment + offset;
    auto raw = [at](size_t bytes) {
        uint64_t value = 0;
        for (size_t i = 0; i < bytes; ++i) value |= uint64_t{at[i]} << (8 * i);
        return value;
    };
    double value = 0.0;
    switch (type) {
        case 1: value = static_cast<int8_t>(raw(1)); break;
        case 2: value = static_cast<int16_t>(raw(2)); break;
        case 20: value = static_cast<int32_t>(raw(4)); break;
        case 5: {
            const int64_t v = static_cast<int64_t>(raw(8));
            if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                return false;
            value = static_cast<double>(v);
            break;
        }
        case 129: value = static_cast<double>(raw(1)); break;
        case 130: value = static_cast<double>(raw(2)); break;
        case 148: value = static_cast<double>(raw(4)); break;
        case 133: {
            const uint64_t v = raw(8);
            if (v > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
            value = static_cast<double>(v);
            break;
        }
        case 4: {
            const uint32_t bits = static_cast<uint32_t>(raw(4));
            float f = 0.0f;
            std::memcpy(&f, &bits, sizeof f);
            value = f;
            break;
        }
        case 8: {
            const uint64_t bits = raw(8);
            std::memcpy(&value, &bits, sizeof value);
            break;
        }
        case 6: {
            const uint64_t mantissa = raw(8);
            const uint32_t top = static_cast<uint32_t>(at[8]) | (static_cast<uint32_t>(at[9]) << 8);
            const int exponent = static_cast<int>(top & 0x7FFF);
            if (exponent == 0x7FFF) return false;
            value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
            if ((top & 0x8000) != 0) value = -value;
            break;
        }
        default:
            if (type >= 64 && type < 64 + 57) {
                const int bits = type - 64;
                const uint64_t mask = bits == 0 ? 0 : (~uint64_t{0} >> (64 - bits));
                value = static_cast<double>(raw(8) & mask);
            } else if (type >= 192 && type < 192 + 57) {
                const int bits = type - 192;
                if (bits == 0) {
                    value = 0.0;
                } else {
                    const uint64_t field = raw(8) & (~uint64_t{0} >> (64 - bits));
                    const uint64_t sign = uint64_t{1} << (bits - 1);
                    value = static_cast<double>(static_cast<int64_t>(field ^ sign) -
                                                static_cast<int64_t>(sign));
                }
            } else {
                return false;
            }
            break;
    }
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);  // to nearest, ties to even
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    out = static_cast<int64_t>(rounded);
    return true;
}

// One call of Snd_PlayMacro: the parsing state and the buffer being built.
class MacroCall {
public:
    MacroCall(SoundRuntime& s, const RtString& text) : s_(s), m_(s.macro), text_(text) {}

    // Parses and queues the whole string; false at the first error.
    bool Run() {
        RecomputeDefault(m_);
        const size_t size = text_.size();
        for (size_t i = 0; i < size; ++i) {
            char c = text_[i];
            if (c == ' ') continue;
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (pending_ == Pending::M) {
                if (!Modifier(c)) return false;
                continue;
            }
            if (c >= '0' && c <= '9') {
                if (dots_ > 0 || numberState_ == NumberState::Reference) return false;
                number_ = std::min(number_ * 10 + (c - '0'), kNumberCap);
                numberState_ = NumberState::Digits;
                continue;
            }
            if (c == '.') {
                if (pending_ != Pending::Note && pending_ != Pending::N && pending_ != Pending::P)
                    return false;
                ++dots_;
                continue;
            }
            if (c == '=') {
                if (numberState_ != NumberState::None || dots_ > 0 || size - i - 1 < 3) {
                    return false;
                }
                const uint8_t type = static_cast<uint8_t>(text_[i + 1]);
                const uint16_t offset =
                    static_cast<uint16_t>(static_cast<uint8_t>(text_[i + 2]) |
                                          (static_cast<uint8_t>(text_[i + 3]) << 8));
                if (!ReadReference(type, offset, number_)) return false;
                numberState_ = NumberState::Reference;
                i += 3;
                continue;
            }
            if (c == '+' || c == '#' || c == '-') {
                if (pending_ != Pending::Note || numberState_ != NumberState::None || dots_ > 0 ||
                    accidental_) {
                    return false;
                }
                noteIndex_ += c == '-' ? -1 : 1;
                accidental_ = true;
                continue;
            }
            if (!Complete(c == ',')) return false;
            if (c == ',') continue;
            if (!Command(c)) return false;
        }
        if (pending_ == Pending::M) return false;
        if (pending_ != Pending::None && !Complete(false)) return false;
        if (numberState_ != NumberState::None) return false;
        Flush();
        return true;
    }

private:
    bool Command(char c) {
        static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
        switch (c) {
            case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G':
                pending_ = Pending::Note;
                noteIndex_ = kSemitone[c - 'A'] + 12 * m_.octave - 33;
                return true;
            case 'N': pending_ = Pending::N; return true;
            case 'L': pending_ = Pending::L; return true;
            case 'O': pending_ = Pending::O; return true;
            case 'T': pending_ = Pending::T; return true;
            case 'V': pending_ = Pending::V; return true;
            case 'P': pending_ = Pending::P; return true;
            // A number after > or < stays pending for the command that follows.
            case '>': m_.octave = std::min(m_.octave + 1, 6); return true;
            case '<': m_.octave = std::max(m_.octave - 1, 0); return true;
            case 'M':
                if (numberState_ != NumberState::None) return false;
                pending_ = Pending::M;
                return true;
            default:
                return false;
        }
    }

    bool Modifier(char c) {
        pending_ = Pending::None;
        switch (c) {
            case 'B':
                if (!m_.background) {
                    // What came before MB is still waited for; what follows is not.
                    Flush();
                    buffer_.clear();
                    haveBuffer_ = false;
                    writePos_ = 0;
                    notesPending_ = false;
                }
                m_.background = true;
                return true;
            case 'F': m_.background = false; return true;
            case 'L': m_.articulation = 0.0; return true;
            case 'N': m_.articulation = 0.125; return true;
            case 'S': m_.articulation = 0.25; return true;
            default: return false;  // a number, another letter or any other byte
        }
    }

    double Dotted(double seconds) const {
        double total = seconds;
        double addition = seconds;
        for (int i = 0; i < dots_; ++i) {
            addition /= 2.0;
            total += addition;
        }
        return total;
    }

    bool InRange(int64_t low, int64_t high) const { return number_ >= low && number_ <= high; }

    // Completes the pending command with the pending number; chord: completed by ",".
    bool Complete(bool chord) {
        const bool hasNumber = numberState_ != NumberState::None;
        switch (pending_) {
            case Pending::None:
                return !chord;  // a number standing alone waits for the next command
            case Pending::Note: {
                if (hasNumber && !InRange(0, 64)) return false;
                const double seconds = hasNumber && number_ >= 1
                                           ? Beats(m_, static_cast<double>(number_))
                                           : m_.defaultSeconds;
                Note(noteIndex_, Dotted(seconds), chord);
                break;
            }
            case Pending::N:
                if (!hasNumber || !InRange(0, 84)) return false;
                Note(static_cast<int>(number_) - 33, Dotted(m_.defaultSeconds), chord);
                break;
            case Pending::P: {
                if (hasNumber && !InRange(1, 64)) return false;
                const double seconds =
                    hasNumber ? Beats(m_, static_cast<double>(number_)) : m_.defaultSeconds;
                Pause(Dotted(seconds), chord);
                break;
            }
            case Pending::L:
            case Pending::O:
            case Pending::T:
            case Pending::V:
                if (chord || !hasNumber) return false;
                if (pending_ == Pending::L) {
                    if (!InRange(1, 64)) return false;
                    m_.length = static_cast<double>(number_);
                    RecomputeDefault(m_);
                } else if (pending_ == Pending::O) {
                    if (!InRange(0, 6)) return false;
                    m_.octave = static_cast<int>(number_);
                } else if (pending_ == Pending::T) {
                    if (!InRange(32, 255)) return false;
                    m_.tempo = static_cast<double>(number_);
                    RecomputeDefault(m_);
                } else {
                    if (!InRange(0, 100)) return false;
                    m_.volume = static_cast<double>(number_);
                }
                break;
            case Pending::M:
                return false;
        }
        pending_ = Pending::None;
        numberState_ = NumberState::None;
        number_ = 0;
        dots_ = 0;
        accidental_ = false;
        return true;
    }

    void Note(int index, double seconds, bool chord) {
        const double frequency = 440.0 * std::pow(2.0, index / 12.0);
        SoundSamples wave =
            Snd_MakeWave(frequency, (1.0 - m_.articulation) * seconds, m_.volume / 100.0);
        std::vector<int16_t> note = std::move(wave.samples);
        note.resize(wave.length_bytes / 2);
        if (m_.articulation > 0.0) {
            int64_t frames = static_cast<int64_t>(kSoundRate * m_.articulation * seconds);
            if (frames < 1) frames = 1;
            note.resize(note.size() + static_cast<size_t>(frames) * 2, 0);
        }
        Merge(std::move(note), chord);
    }

    void Pause(double seconds, bool chord) {
        int64_t frames = static_cast<int64_t>(kSoundRate * seconds);
        if (frames < 1) frames = 1;
        const size_t length = static_cast<size_t>(frames) * 2;
        if (!haveBuffer_) {
            buffer_.assign(length, 0);
            writePos_ = 0;
            haveBuffer_ = true;
        } else if (buffer_.size() < writePos_ + length) {
            buffer_.resize(writePos_ + length, 0);
        }
        if (!chord) writePos_ += length;
        notesPending_ = true;
    }

    void Merge(std::vector<int16_t>&& note, bool chord) {
        const size_t length = note.size();
        if (!haveBuffer_) {
            buffer_ = std::move(note);
            writePos_ = 0;
            haveBuffer_ = true;
        } else {
            const bool mixing = writePos_ != buffer_.size();
            if (buffer_.size() < writePos_ + length) buffer_.resize(writePos_ + length, 0);
            for (size_t i = 0; i < length; ++i) {
                int32_t value = note[i];
                if (mixing) value = std::clamp(value + buffer_[writePos_ + i], -32767, 32767);
                buffer_[writePos_ + i] = static_cast<int16_t>(value);
            }
        }
        if (!chord) writePos_ += length;
        notesPending_ = true;
    }

    void Flush() {
        if (!notesPending_) return;
        SoundSamples sound;
        sound.length_bytes = static_cast<uint32_t>(buffer_.size() * 2);
        sound.samples = std::move(buffer_);
        buffer_.clear();
        QueueSound(s_, std::move(sound), "tune", text_, false);
        if (!m_.background) QueueSound(s_, Silence(kMarkerBytes), "silence", "marker", true);
        notesPending_ = false;
    }

    SoundRuntime& s_;
    MacroState& m_;
    const RtString& text_;
    Pending pending_ = Pending::None;
    NumberState numberState_ = NumberState::None;
    int64_t number_ = 0;
    int dots_ = 0;
    bool accidental_ = false;
    int noteIndex_ = 0;
    std::vector<int16_t> buffer_;
    bool haveBuffer_ = false;
    size_t writePos_ = 0;  // in 16-bit values
    bool notesPending_ = false;
};

std::string FormatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

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
        std::string item = upper.substr(start, comma == std::string::npos ? std::string::npos
                                                                          : comma - start);
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
bool MusicUsable(const SoundRuntime& s) { return s.music.loaded && !s.music.closed; }

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

uint32_t Snd_NewRawSound(SoundSamples samples) {
    return NewRawSound(Sound(), std::move(samples), "tune", "");
}

// ---- Tones and macros ----

void Snd_PlayMacro(const RtString& macro) {
    SoundRuntime& s = Sound();
    Snd_EnsureAudio();
    if (Err_IsPending()) return;
    MacroCall call(s, macro);
    if (!call.Run()) RaiseIllegal();
}

void Snd_Tone(double frequency_hz, double duration_ticks) {
    SoundRuntime& s = Sound();
    Snd_EnsureAudio();
    if (Err_IsPending()) return;
    const bool frequency_ok =
        frequency_hz == 0.0 || (frequency_hz >= 37.0 && frequency_hz <= 32767.0);
    if (!frequency_ok || !(duration_ticks >= 0.0 && duration_ticks <= 65535.0)) {
        return RaiseIllegal();
    }
    if (duration_ticks == 0.0) return;
    SoundSamples wave = Snd_MakeWave(frequency_hz, duration_ticks / kTicksPerSecond, 1.0);
    // The program waits for this tone's start only, that is for what was queued before it.
    QueueSound(s, std::move(wave), "tone",
               FormatNumber(frequency_hz) + " Hz " + FormatNumber(duration_ticks) + " ticks", true);
}

void Snd_Beep() {
    SoundRuntime& s = Sound();
    Snd_EnsureAudio();
    QueueSound(s, Snd_MakeWave(783.99, 0.2, 1.0), "beep", "", false);
    SleepMs(250);
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

uint32_t Snd_QueuedCount() {
    const SoundQueue& q = Sound().queue;
    const uint32_t write = q.writeIndex.load(std::memory_order_acquire);
    const uint32_t read = q.readIndex.load(std::memory_order_acquire);
    return (write + kSoundQueueLength - read) % kSoundQueueLength;
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
        slot.capabilities = static_cast<uint8_t>(kCapSample | (wanted.volume ? kCapVolume : 0) |
                                                 (wanted.pause ? kCapPause : 0) |
                                                 (wanted.length ? kCapLength : 0));
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
    m.capabilities = static_cast<uint8_t>((wanted.volume ? kCapVolume : 0) |
                                          (wanted.pause ? kCapPause : 0) |
                                          (wanted.length ? kCapLength : 0) |
                                          (wanted.position ? kCapPosition : 0));
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

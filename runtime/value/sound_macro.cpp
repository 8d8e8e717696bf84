// Tones, the beep and the music-macro language, rendered into queued sounds.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "errors.h"
#include "low_memory.h"
#include "sound.h"
#include "sound_tables.h"

using namespace snd_detail;

namespace {

constexpr double kTicksPerSecond = 18.2;
constexpr uint32_t kMarkerBytes = 4;
constexpr int64_t kNumberCap = 1'000'000'000'000;  // far beyond every range; stops overflow

// ---- Music macros ----

enum class Pending : uint8_t { None, Note, L, O, N, M, T, P, V };
enum class NumberState : uint8_t { None, Digits, Reference };

double Beats(const MacroState& m, double length) {
    return (1.0 / (m.tempo / 60.0)) * (4.0 / length);
}

void RecomputeDefault(MacroState& m) {
    m.defaultSeconds = Beats(m, m.length);
}

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
        case 1:
            value = static_cast<int8_t>(raw(1));
            break;
        case 2:
            value = static_cast<int16_t>(raw(2));
            break;
        case 20:
            value = static_cast<int32_t>(raw(4));
            break;
        case 5: {
            const int64_t v = static_cast<int64_t>(raw(8));
            if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
                return false;
            value = static_cast<double>(v);
            break;
        }
        case 129:
            value = static_cast<double>(raw(1));
            break;
        case 130:
            value = static_cast<double>(raw(2));
            break;
        case 148:
            value = static_cast<double>(raw(4));
            break;
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
                const uint16_t offset = static_cast<uint16_t>(
                    static_cast<uint8_t>(text_[i + 2]) | (static_cast<uint8_t>(text_[i + 3]) << 8));
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
            case 'A':
            case 'B':
            case 'C':
            case 'D':
            case 'E':
            case 'F':
            case 'G':
                pending_ = Pending::Note;
                noteIndex_ = kSemitone[c - 'A'] + 12 * m_.octave - 33;
                return true;
            case 'N':
                pending_ = Pending::N;
                return true;
            case 'L':
                pending_ = Pending::L;
                return true;
            case 'O':
                pending_ = Pending::O;
                return true;
            case 'T':
                pending_ = Pending::T;
                return true;
            case 'V':
                pending_ = Pending::V;
                return true;
            case 'P':
                pending_ = Pending::P;
                return true;
            // A number after > or < stays pending for the command that follows.
            case '>':
                m_.octave = std::min(m_.octave + 1, 6);
                return true;
            case '<':
                m_.octave = std::max(m_.octave - 1, 0);
                return true;
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
            case 'F':
                m_.background = false;
                return true;
            case 'L':
                m_.articulation = 0.0;
                return true;
            case 'N':
                m_.articulation = 0.125;
                return true;
            case 'S':
                m_.articulation = 0.25;
                return true;
            default:
                return false;  // a number, another letter or any other byte
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

}  // namespace

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

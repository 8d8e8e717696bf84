// The browser's mixer seam: the page's Web Audio plays the sounds, the clock seam times them.
//
// A browser keeps its audio locked until the player's first key or click, and its own notion
// of a sound's end never comes while it is locked; a tune the program waits for must end on
// time all the same. So every channel is timed here on the runtime's clock from the sound's
// length, and the audio only follows: a sound started while the audio is locked is counted as
// playing for its length but stays silent (it is not kept back to burst out at the unlock).
#include <SDL.h>
#include <SDL_mixer.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "mixer.h"
#include "platform.h"

namespace plat {

namespace {

// Length of an Ogg Vorbis file in seconds: the sample position of its last page over the rate
// of its identification header; 0 when the file cannot be read as one.
double OggSeconds(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0.0;
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    for (size_t got = 0; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        bytes.insert(bytes.end(), block, block + got);
    }
    std::fclose(file);
    const auto little = [&](size_t at, int count) {
        uint64_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value << 8 | bytes[at + static_cast<size_t>(i)];
        return value;
    };
    // The first page's packet: 1 "vorbis", version (4), channels (1), rate (4).
    constexpr size_t kRateAt = 28 + 12;
    if (bytes.size() < kRateAt + 4 || bytes[0] != 'O' || bytes[28] != 1) return 0.0;
    const uint64_t rate = little(kRateAt, 4);
    for (size_t at = bytes.size() - 27; rate != 0 && at-- > 0;) {
        if (bytes[at] == 'O' && bytes[at + 1] == 'g' && bytes[at + 2] == 'g' &&
            bytes[at + 3] == 'S') {
            return static_cast<double>(little(at + 6, 8)) / static_cast<double>(rate);
        }
    }
    return 0.0;
}

bool AudioUnlocked() {
    // clang-format off
    return MAIN_THREAD_EM_ASM_INT({
        return (typeof SDL != 'undefined' && SDL.audioContext &&
                SDL.audioContext.state == 'running') ? 1 : 0;
    }) != 0;
    // clang-format on
}

// The emulated mixer's chunks and streams are numbers in pointers' clothing, counted from 0
// (a failure is 0 too: a file is known to exist before it is loaded).
int EmulatedId(const void* handle) {
    return static_cast<int>(reinterpret_cast<uintptr_t>(handle));
}
Mix_Chunk* EmulatedChunk(int id) {
    return reinterpret_cast<Mix_Chunk*>(static_cast<uintptr_t>(id));
}
Mix_Music* EmulatedMusic(int id) {
    return reinterpret_cast<Mix_Music*>(static_cast<uintptr_t>(id));
}

// A sound the mixer holds: samples of the program (played by the page's own voice) or a
// file (played by the emulated mixer, whose id it keeps).
struct Sound {
    const int16_t* samples = nullptr;
    uint32_t length_bytes = 0;
    int file_id = -1;
    double seconds = 0.0;
};

struct Channel {
    uintptr_t sound = 0;
    bool active = false;
    bool looping = false;
    bool paused = false;
    uint32_t start_ms = 0;   // clock time the sound would have started, pauses left out
    uint32_t paused_ms = 0;  // clock time of the pause
    int volume = MIX_MAX_VOLUME;
};

class WebMixer final : public Mixer {
  public:
    bool open_audio(int frequency_hz, uint16_t format, int channels, int chunk_frames) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Mix_OpenAudio(frequency_hz, format, channels, chunk_frames) == -1) return false;
        frequency_hz_ = frequency_hz;
        output_channels_ = channels;
        return true;
    }

    void close_audio() override {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < channels_.size(); ++i) silence(static_cast<int>(i));
        channels_.clear();
    }

    int allocate_channels(int count) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Mix_AllocateChannels(count);
        channels_.assign(static_cast<size_t>(count), Channel{});
        return count;
    }

    MixerChunk* quick_load_raw(uint8_t* bytes, uint32_t length_bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Sound sound;
        sound.samples = reinterpret_cast<const int16_t*>(bytes);
        sound.length_bytes = length_bytes;
        sound.seconds = static_cast<double>(length_bytes) / 2.0 / output_channels_ / frequency_hz_;
        return keep(sound);
    }

    MixerChunk* load_wav(const std::string& path) override {
        Sound sound;
        sound.seconds = OggSeconds(path);
        if (sound.seconds <= 0.0) return nullptr;
        sound.file_id = EmulatedId(Mix_LoadWAV(path.c_str()));
        std::lock_guard<std::mutex> lock(mutex_);
        return keep(sound);
    }

    uint32_t chunk_length_bytes(const MixerChunk* chunk) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const Sound* sound = find(reinterpret_cast<uintptr_t>(chunk));
        if (sound == nullptr) return 0;
        if (sound->samples != nullptr) return sound->length_bytes;
        return static_cast<uint32_t>(sound->seconds * frequency_hz_) * 2u *
               static_cast<uint32_t>(output_channels_);
    }

    void free_chunk(MixerChunk* chunk) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto key = reinterpret_cast<uintptr_t>(chunk);
        for (size_t i = 0; i < channels_.size(); ++i) {
            if (channels_[i].sound == key) {
                silence(static_cast<int>(i));
                channels_[i] = Channel{};
            }
        }
        const auto found = sounds_.find(key);
        if (found == sounds_.end()) return;
        if (found->second.file_id >= 0) Mix_FreeChunk(EmulatedChunk(found->second.file_id));
        sounds_.erase(found);
    }

    int volume(int channel, int volume) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Channel* c = at(channel);
        if (c == nullptr) return 0;
        const int previous = c->volume;
        if (volume >= 0) c->volume = volume > MIX_MAX_VOLUME ? MIX_MAX_VOLUME : volume;
        return previous;
    }

    int play_channel_timed(int channel, MixerChunk* chunk, int loops, int /*limit_ms*/) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Channel* c = at(channel);
        const auto key = reinterpret_cast<uintptr_t>(chunk);
        const Sound* sound = find(key);
        if (c == nullptr || sound == nullptr) return -1;
        silence(channel);
        c->sound = key;
        c->active = true;
        c->looping = loops != 0;
        c->paused = false;
        c->start_ms = now_ms();
        if (!AudioUnlocked()) return channel;
        if (sound->samples != nullptr) {
            const uint32_t frames =
                sound->length_bytes / 2u / static_cast<uint32_t>(output_channels_);
            MAIN_THREAD_EM_ASM(
                {
                    var context = SDL.audioContext;
                    var buffer = context.createBuffer($4, $2, $3);
                    for (var c = 0; c < $4; ++c) {
                        var data = buffer.getChannelData(c);
                        for (var i = 0; i < $2; ++i)
                            data[i] = HEAP16[($1 >> 1) + i * $4 + c] / 32768;
                    }
                    var voice = context.createBufferSource();
                    voice.buffer = buffer;
                    voice.loop = $5 != 0;
                    var gain = context.createGain();
                    gain.gain.value = $6 / 128;
                    voice.connect(gain);
                    gain.connect(context.destination);
                    voice.start();
                    Module.brunoltVoices = Module.brunoltVoices || {};
                    Module.brunoltVoices[$0] = voice;
                },
                channel, sound->samples, frames, frequency_hz_, output_channels_,
                c->looping ? 1 : 0, c->volume);
        } else {
            Mix_Volume(channel, c->volume);
            Mix_PlayChannel(channel, EmulatedChunk(sound->file_id), c->looping ? -1 : 0);
        }
        return channel;
    }

    void halt_channel(int channel) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (channel < 0) {
            for (size_t i = 0; i < channels_.size(); ++i) halt(static_cast<int>(i));
        } else {
            halt(channel);
        }
    }

    bool playing(int channel) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Channel* c = at(channel);
        if (c == nullptr || !c->active) return false;
        if (c->looping || c->paused) return true;
        const Sound* sound = find(c->sound);
        const double elapsed_ms = static_cast<double>(now_ms() - c->start_ms);
        if (sound != nullptr && elapsed_ms < sound->seconds * 1000.0) return true;
        c->active = false;
        return false;
    }

    // A paused sound stays paused in time; its audio stops and does not come back on resume.
    void pause(int channel) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Channel* c = at(channel);
        if (c == nullptr || !c->active || c->paused) return;
        c->paused = true;
        c->paused_ms = now_ms();
        silence(channel);
    }

    void resume(int channel) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Channel* c = at(channel);
        if (c == nullptr || !c->paused) return;
        c->paused = false;
        c->start_ms += now_ms() - c->paused_ms;
    }

    void set_position(int /*channel*/, int16_t /*angle_degrees*/, uint8_t /*distance*/) override {}

    MixerMusic* load_music(const std::string& path) override {
        Sound sound;
        sound.seconds = OggSeconds(path);
        if (sound.seconds <= 0.0) return nullptr;
        sound.file_id = EmulatedId(Mix_LoadMUS(path.c_str()));
        std::lock_guard<std::mutex> lock(mutex_);
        return reinterpret_cast<MixerMusic*>(keep(sound));
    }

    void free_music(MixerMusic* music) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto key = reinterpret_cast<uintptr_t>(music);
        if (music_.sound == key) {
            Mix_HaltMusic();
            music_ = Channel{};
        }
        const auto found = sounds_.find(key);
        if (found == sounds_.end()) return;
        Mix_FreeMusic(EmulatedMusic(found->second.file_id));
        sounds_.erase(found);
    }

    // Ogg Vorbis, as the mixer numbers it: the game's only kind of music.
    int music_type(const MixerMusic* /*music*/) override { return 4; }

    int play_music(MixerMusic* music, int loops) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto key = reinterpret_cast<uintptr_t>(music);
        const Sound* sound = find(key);
        if (sound == nullptr) return -1;
        music_ = Channel{};
        music_.sound = key;
        music_.active = true;
        music_.looping = loops != 0;
        music_.start_ms = now_ms();
        if (AudioUnlocked()) Mix_PlayMusic(EmulatedMusic(sound->file_id), loops);
        return 0;
    }

    void halt_music() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (music_.active) Mix_HaltMusic();
        music_.active = false;
    }

    void pause_music() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!music_.active || music_.paused) return;
        music_.paused = true;
        music_.paused_ms = now_ms();
        Mix_PauseMusic();
    }

    void resume_music() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!music_.paused) return;
        music_.paused = false;
        music_.start_ms += now_ms() - music_.paused_ms;
        Mix_ResumeMusic();
    }

    void rewind_music() override {}
    int set_music_position(double /*seconds*/) override { return -1; }

    bool playing_music() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!music_.active) return false;
        if (music_.looping || music_.paused) return true;
        const Sound* sound = find(music_.sound);
        if (sound != nullptr &&
            static_cast<double>(now_ms() - music_.start_ms) < sound->seconds * 1000.0) {
            return true;
        }
        music_.active = false;
        return false;
    }

    int volume_music(int volume) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return Mix_VolumeMusic(volume);
    }

  private:
    static uint32_t now_ms() { return Plat().clock->ticks_ms(); }

    MixerChunk* keep(const Sound& sound) {
        const uintptr_t key = next_key_++;
        sounds_[key] = sound;
        return reinterpret_cast<MixerChunk*>(key);
    }

    const Sound* find(uintptr_t key) const {
        const auto found = sounds_.find(key);
        return found == sounds_.end() ? nullptr : &found->second;
    }

    Channel* at(int channel) {
        if (channel < 0 || static_cast<size_t>(channel) >= channels_.size()) return nullptr;
        return &channels_[static_cast<size_t>(channel)];
    }

    void halt(int channel) {
        Channel* c = at(channel);
        if (c == nullptr) return;
        silence(channel);
        c->active = false;
        c->paused = false;
    }

    // Stops what the channel sounds in the page, if anything.
    void silence(int channel) {
        Channel* c = at(channel);
        if (c == nullptr || !c->active) return;
        const Sound* sound = find(c->sound);
        if (sound != nullptr && sound->file_id >= 0) {
            Mix_HaltChannel(channel);
            return;
        }
        MAIN_THREAD_EM_ASM(
            {
                var voices = Module.brunoltVoices;
                if (voices && voices[$0]) {
                    try {
                        voices[$0].stop();
                    } catch (e) {
                    }
                    delete voices[$0];
                }
            },
            channel);
    }

    std::mutex mutex_;
    std::map<uintptr_t, Sound> sounds_;
    std::vector<Channel> channels_;
    Channel music_;
    uintptr_t next_key_ = 1;
    int frequency_hz_ = 22050;
    int output_channels_ = 2;
};

}  // namespace

std::unique_ptr<Mixer> MakeWebMixer() {
    return std::make_unique<WebMixer>();
}

}  // namespace plat

// The real mixer seam: each call goes straight to SDL_mixer 1.2.
#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>
#include <mutex>

#include "mixer.h"

namespace plat {

namespace {

// The seam's opaque handles are SDL_mixer's own objects; MixerChunk and MixerMusic are never
// defined, so a pointer only travels through them and back.
Mix_Chunk* ToSdl(MixerChunk* chunk) { return reinterpret_cast<Mix_Chunk*>(chunk); }
const Mix_Chunk* ToSdl(const MixerChunk* chunk) {
    return reinterpret_cast<const Mix_Chunk*>(chunk);
}
MixerChunk* FromSdl(Mix_Chunk* chunk) { return reinterpret_cast<MixerChunk*>(chunk); }
Mix_Music* ToSdl(MixerMusic* music) { return reinterpret_cast<Mix_Music*>(music); }
const Mix_Music* ToSdl(const MixerMusic* music) {
    return reinterpret_cast<const Mix_Music*>(music);
}
MixerMusic* FromSdl(Mix_Music* music) { return reinterpret_cast<MixerMusic*>(music); }

void CloseAudioAtExit() { Mix_CloseAudio(); }

class SdlMixer final : public Mixer {
public:
    bool open_audio(int frequency_hz, uint16_t format, int channels, int chunk_frames) override {
        if (Mix_OpenAudio(frequency_hz, format, channels, chunk_frames) == -1) return false;
        // Closing twice is harmless (the library counts its openings), so a later explicit
        // close_audio and this handler do not get in each other's way.
        static std::once_flag registered;
        std::call_once(registered, [] { std::atexit(CloseAudioAtExit); });
        return true;
    }

    void close_audio() override { Mix_CloseAudio(); }

    int allocate_channels(int count) override { return Mix_AllocateChannels(count); }

    MixerChunk* quick_load_raw(uint8_t* bytes, uint32_t length_bytes) override {
        return FromSdl(Mix_QuickLoad_RAW(bytes, length_bytes));
    }

    MixerChunk* load_wav(const std::string& path) override {
        SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "rb");
        if (stream == nullptr) return nullptr;
        return FromSdl(Mix_LoadWAV_RW(stream, 1));  // the mixer frees the stream
    }

    uint32_t chunk_length_bytes(const MixerChunk* chunk) override {
        return chunk == nullptr ? 0 : ToSdl(chunk)->alen;
    }

    void free_chunk(MixerChunk* chunk) override {
        if (chunk != nullptr) Mix_FreeChunk(ToSdl(chunk));
    }

    int volume(int channel, int volume) override { return Mix_Volume(channel, volume); }

    int play_channel_timed(int channel, MixerChunk* chunk, int loops, int limit_ms) override {
        return Mix_PlayChannelTimed(channel, ToSdl(chunk), loops, limit_ms);
    }

    void halt_channel(int channel) override { Mix_HaltChannel(channel); }
    bool playing(int channel) override { return Mix_Playing(channel) != 0; }
    void pause(int channel) override { Mix_Pause(channel); }
    void resume(int channel) override { Mix_Resume(channel); }

    void set_position(int channel, int16_t angle_degrees, uint8_t distance) override {
        Mix_SetPosition(channel, angle_degrees, distance);
    }

    MixerMusic* load_music(const std::string& path) override {
        return FromSdl(Mix_LoadMUS(path.c_str()));
    }

    void free_music(MixerMusic* music) override {
        if (music != nullptr) Mix_FreeMusic(ToSdl(music));
    }

    int music_type(const MixerMusic* music) override {
        return static_cast<int>(Mix_GetMusicType(ToSdl(music)));
    }

    int play_music(MixerMusic* music, int loops) override {
        return Mix_PlayMusic(ToSdl(music), loops);
    }

    void halt_music() override { Mix_HaltMusic(); }
    void pause_music() override { Mix_PauseMusic(); }
    void resume_music() override { Mix_ResumeMusic(); }
    void rewind_music() override { Mix_RewindMusic(); }
    int set_music_position(double seconds) override { return Mix_SetMusicPosition(seconds); }
    bool playing_music() override { return Mix_PlayingMusic() != 0; }
    int volume_music(int volume) override { return Mix_VolumeMusic(volume); }
};

}  // namespace

std::unique_ptr<Mixer> MakeSdlMixer() { return std::make_unique<SdlMixer>(); }

}  // namespace plat

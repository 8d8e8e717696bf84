// The mixer seam: the few mixer services the sound runtime needs, shaped like SDL_mixer 1.2's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace plat {

struct MixerChunk;  // a sound held in memory; owned by the mixer until free_chunk
struct MixerMusic;  // the decoded-while-playing music stream; owned until free_music

// Sample format code of signed 16-bit little-endian samples, as the mixer library numbers it.
constexpr uint16_t kAudioS16Lsb = 0x8010;
// Music type the mixer reports for an MP3 stream: the only kind whose position may be set.
constexpr int kMusicTypeMp3 = 6;

class Mixer {
public:
    virtual ~Mixer() = default;

    // Opens the output; once it succeeded the mixer also closes it by itself at process exit.
    virtual bool open_audio(int frequency_hz, uint16_t format, int channels, int chunk_frames) = 0;
    virtual void close_audio() = 0;
    virtual int allocate_channels(int count) = 0;

    // Wraps caller-owned samples without copying (the caller frees them after free_chunk).
    virtual MixerChunk* quick_load_raw(uint8_t* bytes, uint32_t length_bytes) = 0;
    virtual MixerChunk* load_wav(const std::string& path) = 0;
    virtual uint32_t chunk_length_bytes(const MixerChunk* chunk) = 0;
    virtual void free_chunk(MixerChunk* chunk) = 0;
    // What the chunk is, for the replay driver's sound log ("tune", "L30O4abc"); may be ignored.
    virtual void describe_chunk(MixerChunk* /*chunk*/, const std::string& /*kind*/,
                                const std::string& /*what*/) {}

    virtual int volume(int channel, int volume) = 0;
    virtual int play_channel_timed(int channel, MixerChunk* chunk, int loops, int limit_ms) = 0;
    virtual void halt_channel(int channel) = 0;
    virtual bool playing(int channel) = 0;
    virtual void pause(int channel) = 0;
    virtual void resume(int channel) = 0;
    virtual void set_position(int channel, int16_t angle_degrees, uint8_t distance) = 0;

    virtual MixerMusic* load_music(const std::string& path) = 0;
    virtual void free_music(MixerMusic* music) = 0;
    virtual int music_type(const MixerMusic* music) = 0;
    virtual int play_music(MixerMusic* music, int loops) = 0;
    virtual void halt_music() = 0;
    virtual void pause_music() = 0;
    virtual void resume_music() = 0;
    virtual void rewind_music() = 0;
    virtual int set_music_position(double seconds) = 0;
    virtual bool playing_music() = 0;
    virtual int volume_music(int volume) = 0;
};

// The real mixer: SDL_mixer 1.2 on SDL's audio output.
std::unique_ptr<Mixer> MakeSdlMixer();
// The browser's mixer (built only for the web): the page's audio, timed on the clock seam.
std::unique_ptr<Mixer> MakeWebMixer();

}  // namespace plat

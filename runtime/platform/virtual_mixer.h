// A mixer that sounds nothing: it keeps each sound's time on the clock seam and records starts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mixer.h"

namespace plat {

// One start of a chunk on a channel, or of the music stream (channel -1).
struct VirtualStart {
    uint32_t start_ms = 0;  // clock ticks when it started
    int channel = -1;
    std::string kind;  // "tune", "tone", "beep", "silence" or "file"
    std::string what;  // the music-macro string, "<f> Hz <d> ticks", or the file name
    uint32_t length_bytes = 0;
    std::vector<uint8_t> bytes;  // the samples played, when the mixer keeps samples
};

// Stands in for the real mixer in tests and in faster-than-real-time replays. A sound counts as
// playing until its length has passed on plat::Plat().clock, so a ScaledClock speeds it up like
// everything else. Sound files are measured, not decoded: their length comes from the Ogg
// Vorbis headers (libvorbisfile), converted to the opened output rate as the real mixer would.
// Safe to call from several threads.
class VirtualMixer final : public Mixer {
public:
    // keep_samples: copy the bytes of every raw chunk, for tests that compare samples.
    explicit VirtualMixer(bool keep_samples = false);
    ~VirtualMixer() override;
    VirtualMixer(const VirtualMixer&) = delete;
    VirtualMixer& operator=(const VirtualMixer&) = delete;

    bool open_audio(int frequency_hz, uint16_t format, int channels, int chunk_frames) override;
    void close_audio() override;
    int allocate_channels(int count) override;

    MixerChunk* quick_load_raw(uint8_t* bytes, uint32_t length_bytes) override;
    MixerChunk* load_wav(const std::string& path) override;
    uint32_t chunk_length_bytes(const MixerChunk* chunk) override;
    void free_chunk(MixerChunk* chunk) override;
    void describe_chunk(MixerChunk* chunk, const std::string& kind,
                        const std::string& what) override;

    int volume(int channel, int volume) override;
    int play_channel_timed(int channel, MixerChunk* chunk, int loops, int limit_ms) override;
    void halt_channel(int channel) override;
    bool playing(int channel) override;
    void pause(int channel) override;
    void resume(int channel) override;
    void set_position(int channel, int16_t angle_degrees, uint8_t distance) override;

    MixerMusic* load_music(const std::string& path) override;
    void free_music(MixerMusic* music) override;
    int music_type(const MixerMusic* music) override;
    int play_music(MixerMusic* music, int loops) override;
    void halt_music() override;
    void pause_music() override;
    void resume_music() override;
    void rewind_music() override;
    int set_music_position(double seconds) override;
    bool playing_music() override;
    int volume_music(int volume) override;

    // What a test or the replay driver looks at.
    void refuse_open(bool refuse);  // makes open_audio fail, as with no audio device
    // Runs `wait` in every opening of a sound file, where a slow decode would spend its time,
    // holding none of the mixer's locks. Set before the mixer is used.
    void set_file_open_wait(std::function<void()> wait);
    bool is_open() const;
    int open_count() const;  // successful open_audio calls so far
    std::vector<VirtualStart> starts() const;
    // One line per start: "<ms> <kind> <what>".
    std::vector<std::string> log_lines() const;
    // From now on every start is written to `file` as its log line instead of being kept, so a
    // long run holds no log in memory; starts() and log_lines() then see none of them. The
    // file stays the caller's; null keeps the starts again.
    void stream_log(std::FILE* file);
    // Everything written to that file so far ("" when there is none).
    std::string streamed_log() const;
    int channel_volume(int channel) const;
    int music_volume() const;
    // The file name of the music stream that is sounding now, "" when none.
    std::string music_playing_name() const;
    size_t live_chunks() const;  // chunks made and not yet freed
    size_t live_music() const;   // music streams loaded and not yet freed

private:
    struct Chunk;
    struct Music;
    struct Channel {
        Chunk* chunk = nullptr;
        double start_ms = 0;
        int loops = 0;
        int limit_ms = -1;
        bool paused = false;
        double paused_at_ms = 0;
        int volume = 128;
        int16_t angle_degrees = 0;
        uint8_t distance = 0;
    };

    double now_ms() const;
    void wait_as_decoding() const;
    double length_ms(uint32_t length_bytes) const;
    bool channel_sounding(const Channel& channel, double now) const;
    bool music_sounding(double now) const;
    void record_start(int channel, const std::string& kind, const std::string& what,
                      uint32_t length_bytes, const std::vector<uint8_t>& bytes);
    // Frames of a sound file at the output rate, or -1 when it cannot be decoded.
    int64_t file_frames(const std::string& path) const;

    std::function<void()> file_open_wait_;
    mutable std::mutex mutex_;
    const bool keep_samples_;
    bool refuse_open_ = false;
    bool open_ = false;
    int open_count_ = 0;
    int frequency_hz_ = 22050;
    int output_channels_ = 2;
    std::vector<Channel> channels_;
    // Every live chunk and music stream, so that the mixer's destruction frees what is left.
    std::map<const Chunk*, std::unique_ptr<Chunk>> chunks_;
    std::map<const Music*, std::unique_ptr<Music>> music_;
    Music* current_music_ = nullptr;
    double music_start_ms_ = 0;
    int music_loops_ = 0;
    bool music_paused_ = false;
    double music_paused_at_ms_ = 0;
    int music_volume_ = 128;
    std::vector<VirtualStart> starts_;
    std::FILE* log_file_ = nullptr;
};

}  // namespace plat

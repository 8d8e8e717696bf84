// The real mixer: what the sound runtime renders reaches SDL's output unchanged (disk driver).
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "errors.h"
#include "platform.h"
#include "shared_words.h"
#include "sound.h"

namespace {

// Passes every call to the real mixer and keeps a copy of each raw chunk it is given.
class RecordingMixer final : public plat::Mixer {
public:
    explicit RecordingMixer(plat::Mixer& real) : real_(real) {}

    struct Made {
        plat::MixerChunk* chunk;
        std::string kind;
        std::vector<uint8_t> bytes;
    };

    std::vector<Made> made() {
        std::lock_guard<std::mutex> lock(mutex_);
        return made_;
    }

    bool open_audio(int f, uint16_t format, int c, int frames) override {
        return real_.open_audio(f, format, c, frames);
    }
    void close_audio() override { real_.close_audio(); }
    int allocate_channels(int count) override { return real_.allocate_channels(count); }
    plat::MixerChunk* quick_load_raw(uint8_t* bytes, uint32_t length) override {
        plat::MixerChunk* chunk = real_.quick_load_raw(bytes, length);
        std::lock_guard<std::mutex> lock(mutex_);
        made_.push_back({chunk, "", std::vector<uint8_t>(bytes, bytes + length)});
        return chunk;
    }
    plat::MixerChunk* load_wav(const std::string& path) override { return real_.load_wav(path); }
    uint32_t chunk_length_bytes(const plat::MixerChunk* chunk) override {
        return real_.chunk_length_bytes(chunk);
    }
    void free_chunk(plat::MixerChunk* chunk) override { real_.free_chunk(chunk); }
    void describe_chunk(plat::MixerChunk* chunk, const std::string& kind,
                        const std::string& what) override {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Made& made : made_) {
            if (made.chunk == chunk) made.kind = kind;
        }
        real_.describe_chunk(chunk, kind, what);
    }
    int volume(int channel, int volume) override { return real_.volume(channel, volume); }
    int play_channel_timed(int channel, plat::MixerChunk* chunk, int loops, int limit) override {
        return real_.play_channel_timed(channel, chunk, loops, limit);
    }
    void halt_channel(int channel) override { real_.halt_channel(channel); }
    bool playing(int channel) override { return real_.playing(channel); }
    void pause(int channel) override { real_.pause(channel); }
    void resume(int channel) override { real_.resume(channel); }
    void set_position(int channel, int16_t angle, uint8_t distance) override {
        real_.set_position(channel, angle, distance);
    }
    plat::MixerMusic* load_music(const std::string& path) override {
        return real_.load_music(path);
    }
    void free_music(plat::MixerMusic* music) override { real_.free_music(music); }
    int music_type(const plat::MixerMusic* music) override { return real_.music_type(music); }
    int play_music(plat::MixerMusic* music, int loops) override {
        return real_.play_music(music, loops);
    }
    void halt_music() override { real_.halt_music(); }
    void pause_music() override { real_.pause_music(); }
    void resume_music() override { real_.resume_music(); }
    void rewind_music() override { real_.rewind_music(); }
    int set_music_position(double seconds) override { return real_.set_music_position(seconds); }
    bool playing_music() override { return real_.playing_music(); }
    int volume_music(int volume) override { return real_.volume_music(volume); }

private:
    plat::Mixer& real_;
    std::mutex mutex_;
    std::vector<Made> made_;
};

class SdlMixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        output_ = std::filesystem::temp_directory_path() /
                  ("brunolt_sound_" + std::to_string(getpid()) + ".raw");
        // The disk driver writes the mixed stream to a file; the short delay between buffers
        // plays it a few times faster than real time while keeping the file small.
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "1", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO | SDL_INIT_TIMER), 0) << SDL_GetError();
        real_ = plat::MakeSdlMixer();
        recorder_ = std::make_unique<RecordingMixer>(*real_);
        plat::Platform platform;
        platform.clock = &clock_;
        platform.mixer = recorder_.get();
        plat::Plat_Install(platform);
        Snd_Reset();
        Rt_Words().waitMask = 0;
        Rt_Words().checkRequest = 0;
        Err_Reset();
    }

    void TearDown() override {
        Snd_Reset();
        plat::Plat_Install(plat::Platform{});
        recorder_.reset();
        real_.reset();
        SDL_Quit();
        std::filesystem::remove(output_);
        Rt_Words().waitMask = 0;
        Rt_Words().checkRequest = 0;
    }

    std::vector<uint8_t> Output() {
        std::ifstream file(output_, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
    }

    std::filesystem::path output_;
    plat::SdlClock clock_;
    std::unique_ptr<plat::Mixer> real_;
    std::unique_ptr<RecordingMixer> recorder_;
};

TEST_F(SdlMixerTest, RenderedTuneReachesTheOutputUnchanged) {
    Snd_PlayMacro("L30O4abcV100O2L15a,e");
    ASSERT_EQ(Err_Pending(), 0u);
    // Pump as the display loop would until the marker behind the tune has started.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((Rt_Words().waitMask.load() & kWaitSound) != 0 &&
           std::chrono::steady_clock::now() < give_up) {
        Snd_PumpQueue();
        SDL_Delay(1);
    }
    ASSERT_EQ(Rt_Words().waitMask.load() & kWaitSound, 0) << "the marker never started";
    // Closing the output lets the audio thread finish writing what it has mixed.
    Snd_Reset();

    std::vector<uint8_t> tune;
    for (const RecordingMixer::Made& made : recorder_->made()) {
        if (made.kind == "tune") tune = made.bytes;
    }
    ASSERT_GT(tune.size(), 10000u);
    const std::vector<uint8_t> output = Output();
    ASSERT_GT(output.size(), tune.size());
    const auto found = std::search(output.begin(), output.end(), tune.begin(), tune.end());
    ASSERT_NE(found, output.end()) << "the tune's samples are not in the output";
    // Silence before it (the start-up silence and the gap of a pump pass) and after it.
    EXPECT_TRUE(std::all_of(output.begin(), found, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(found + static_cast<std::ptrdiff_t>(tune.size()), output.end(),
                            [](uint8_t b) { return b == 0; }));
}

TEST_F(SdlMixerTest, GameFilesDecode) {
    Snd_EnsureAudio();
    for (const char* name :
         {"Presenta.ogg", "telibero.ogg", "scoperto.ogg", "scaduto.ogg", "finale.ogg"}) {
        const uint32_t handle = Snd_OpenFile(name, "SYNC,LEN");
        ASSERT_GE(handle, 2u) << name;
        const double length = Snd_Length(handle);
        EXPECT_GT(length, 0.5) << name;
        if (std::string(name) == "Presenta.ogg") {
            EXPECT_GE(length, 10.0);
            EXPECT_LE(length, 30.0);
        }
        Snd_Close(handle);
        ASSERT_EQ(Snd_OpenFile(name, "LEN"), kMusicHandle) << name;
        EXPECT_NEAR(Snd_Length(kMusicHandle), length, 1e-9) << name;
        Snd_Close(kMusicHandle);
    }
    EXPECT_EQ(Err_Pending(), 0u);
}

}  // namespace

// Sound files on the virtual mixer: capability lists, samples, the one music stream, limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sound_test_support.h"

namespace {

class FilesTest : public sound_test::SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        // The game's files lie beside the test executable, which is the working directory.
        for (const char* name :
             {"Presenta.ogg", "telibero.ogg", "scoperto.ogg", "scaduto.ogg", "finale.ogg"}) {
            std::FILE* file = std::fopen(name, "rb");
            ASSERT_NE(file, nullptr) << name;
            std::fclose(file);
        }
    }

    void ExpectIllegal(const std::string& what) {
        EXPECT_EQ(Err_Pending(), 5u) << what;
        Err_Reset();
    }
};

TEST_F(FilesTest, CapabilityLists) {
    const uint32_t handle = Snd_OpenFile("telibero.ogg", " sync , vol ");
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_GE(handle, 2u);

    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "SYNC,SYNC"), 0u);
    ExpectIllegal("SYNC,SYNC");
    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "LOUD"), 0u);
    ExpectIllegal("LOUD");
    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "SYNC,"), 0u);
    ExpectIllegal("SYNC,");
    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "sync,pause,len,vol"), handle + 1);
    EXPECT_EQ(Err_Pending(), 0u);
    // SETPOS needs a music stream whose position can be set; an Ogg stream's cannot.
    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "SYNC,SETPOS"), 0u);
    EXPECT_EQ(Snd_OpenFile("telibero.ogg", "SETPOS"), 0u);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, SetVolumeScalesTo128) {
    const uint32_t handle = Snd_OpenFile("scoperto.ogg", "SYNC,VOL");
    const int channel = Snd_ChannelOf(handle);
    ASSERT_GE(channel, 0);
    Snd_SetVolume(handle, 1.0);
    EXPECT_EQ(mixer_.channel_volume(channel), 128);
    Snd_SetVolume(handle, 0.5);
    EXPECT_EQ(mixer_.channel_volume(channel), 64);
    Snd_SetVolume(handle, 0.0);
    EXPECT_EQ(mixer_.channel_volume(channel), 0);
    EXPECT_EQ(Err_Pending(), 0u);
    Snd_SetVolume(handle, 1.5);
    ExpectIllegal("volume 1.5");

    const uint32_t music = Snd_OpenFile("finale.ogg", "VOL");
    ASSERT_EQ(music, kMusicHandle);
    Snd_SetVolume(music, 0.5);
    EXPECT_EQ(mixer_.music_volume(), 64);
    Snd_SetVolume(music, 1.0);
    EXPECT_EQ(mixer_.music_volume(), 128);

    // Without the capability the volume cannot be set.
    const uint32_t plain = Snd_OpenFile("scoperto.ogg", "SYNC");
    Snd_SetVolume(plain, 0.5);
    ExpectIllegal("no VOL");
}

TEST_F(FilesTest, SecondMusicFileCutsTheFirst) {
    Snd_PlayFile("scaduto.ogg", 0, 0.0, 0);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(mixer_.music_playing_name(), "scaduto.ogg");
    clock_.advance(200);
    Snd_PlayFile("telibero.ogg", 0, 0.0, 0);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(mixer_.music_playing_name(), "telibero.ogg");
    EXPECT_EQ(mixer_.live_music(), 1u);
    const std::vector<std::string> log = mixer_.log_lines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "0 file scaduto.ogg");
    EXPECT_EQ(log[1], "200 file telibero.ogg");
}

TEST_F(FilesTest, SyncFilePlaysBesideTheMusic) {
    Snd_PlayFile("finale.ogg", 0, 0.0, 0);
    Snd_PlayFile("Presenta.ogg", 1, 0.0, 0);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(mixer_.music_playing_name(), "finale.ogg");
    const std::vector<plat::VirtualStart> starts = mixer_.starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].what, "Presenta.ogg");
    EXPECT_GE(starts[1].channel, 0);
    // Files do not go through the queue and nothing waits for them.
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    EXPECT_EQ(Snd_QueuedCount(), 1u);  // only the start-up silence
}

TEST_F(FilesTest, MissingFilePlaysNothing) {
    Snd_PlayFile("manca.ogg", 0, 0.0, 0);
    Snd_PlayFile("manca.ogg", 1, 0.0, 0);
    Snd_PlayFile("dir/manca.ogg", 1, 0.5, 2);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_TRUE(mixer_.starts().empty());
    EXPECT_EQ(Snd_OpenFile("manca.ogg"), 0u);
    EXPECT_EQ(Snd_OpenFile("manca.ogg", "SYNC"), 0u);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, PlayFileVolume) {
    Snd_PlayFile("scoperto.ogg", 1, 0.5, 2);
    EXPECT_EQ(Err_Pending(), 0u);
    const std::vector<plat::VirtualStart> starts = mixer_.starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(mixer_.channel_volume(starts[0].channel), 64);
    // A volume of 1 needs no capability and leaves the sound at full volume.
    Snd_PlayFile("scoperto.ogg", 1, 1.0, 2);
    EXPECT_EQ(Err_Pending(), 0u);
    Snd_PlayFile("scoperto.ogg", 1, 2.0, 2);
    ExpectIllegal("volume 2");
    Snd_PlayFile("scoperto.ogg", 1, 2.0, 0);  // no volume given: the number is not looked at
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, OpenMusicWhileOneIsOpenIsIllegal) {
    ASSERT_EQ(Snd_OpenFile("finale.ogg"), kMusicHandle);
    EXPECT_EQ(Snd_OpenFile("scaduto.ogg"), 0u);
    ExpectIllegal("second open");
    Snd_Close(kMusicHandle);
    EXPECT_EQ(Err_Pending(), 0u);
    Snd_Close(kMusicHandle);
    ExpectIllegal("closed twice");
    Snd_Play(kMusicHandle);
    ExpectIllegal("play after close");
    EXPECT_EQ(mixer_.live_music(), 0u);  // never played: freed at once
}

TEST_F(FilesTest, HandleOperationsNeedTheirCapabilities) {
    const uint32_t handle = Snd_OpenFile("scaduto.ogg", "SYNC");
    Snd_Pause(handle);
    ExpectIllegal("pause");
    Snd_IsPaused(handle);
    ExpectIllegal("is paused");
    Snd_Length(handle);
    ExpectIllegal("length");
    Snd_Place(handle, 1, 0, 0);
    ExpectIllegal("place");
    Snd_SetPosition(handle, 1.0);
    ExpectIllegal("position of a sample");
    Snd_Play(99);
    ExpectIllegal("handle not in use");
    Snd_Close(0);
    ExpectIllegal("handle 0");
    EXPECT_EQ(Snd_IsPlaying(handle), 0);
    Snd_Play(handle);
    EXPECT_EQ(Snd_IsPlaying(handle), -1);
    Snd_Stop(handle);
    EXPECT_EQ(Snd_IsPlaying(handle), 0);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, PauseLengthAndElapsed) {
    const uint32_t handle = Snd_OpenFile("Presenta.ogg", "SYNC,PAUSE,LEN");
    const double length = Snd_Length(handle);
    EXPECT_GE(length, 10.0);
    EXPECT_LE(length, 30.0);
    Snd_Play(handle);
    clock_.advance(1500);
    EXPECT_DOUBLE_EQ(Snd_Elapsed(handle), 1.5);
    Snd_Pause(handle);
    EXPECT_EQ(Snd_IsPaused(handle), -1);
    EXPECT_EQ(Snd_IsPlaying(handle), 0);
    clock_.advance(5000);
    EXPECT_DOUBLE_EQ(Snd_Elapsed(handle), 1.5);
    Snd_Play(handle);  // resumes
    EXPECT_EQ(Snd_IsPaused(handle), 0);
    clock_.advance(500);
    EXPECT_DOUBLE_EQ(Snd_Elapsed(handle), 2.0);
    clock_.advance(static_cast<uint32_t>(length * 1000));
    EXPECT_EQ(Snd_IsPlaying(handle), 0);
    EXPECT_EQ(Err_Pending(), 0u);

    const uint32_t music = Snd_OpenFile("finale.ogg", "LEN,PAUSE");
    EXPECT_GT(Snd_Length(music), 1.0);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, MusicLimitIsEnforcedByTheLoop) {
    const uint32_t music = Snd_OpenFile("Presenta.ogg");
    Snd_SetLimit(music, 2.0);
    Snd_Play(music);
    EXPECT_EQ(mixer_.music_playing_name(), "Presenta.ogg");
    clock_.advance(1999);
    Snd_EnforceLimits();
    EXPECT_EQ(Snd_IsPlaying(music), -1);
    clock_.advance(1);
    Snd_EnforceLimits();
    EXPECT_EQ(Snd_IsPlaying(music), 0);
    EXPECT_EQ(mixer_.music_playing_name(), "");
    Snd_Loop(music);
    ExpectIllegal("looping with a limit");
}

TEST_F(FilesTest, SampleLimitAndLoop) {
    const uint32_t handle = Snd_OpenFile("Presenta.ogg", "SYNC");
    Snd_Loop(handle);
    clock_.advance(100'000);
    EXPECT_EQ(Snd_IsPlaying(handle), -1);
    Snd_Stop(handle);
    Snd_SetLimit(handle, 0.25);
    Snd_Play(handle);
    clock_.advance(249);
    EXPECT_EQ(Snd_IsPlaying(handle), -1);
    clock_.advance(1);
    EXPECT_EQ(Snd_IsPlaying(handle), 0);
    Snd_Loop(handle);
    ExpectIllegal("looping with a limit");
}

TEST_F(FilesTest, CopySharesTheChunk) {
    const uint32_t handle = Snd_OpenFile("telibero.ogg", "SYNC,VOL");
    const size_t chunks = mixer_.live_chunks();
    const uint32_t copy = Snd_Copy(handle);
    EXPECT_EQ(copy, handle + 1);
    EXPECT_EQ(mixer_.live_chunks(), chunks);
    Snd_SetVolume(copy, 0.5);  // the capabilities came along
    EXPECT_EQ(Err_Pending(), 0u);
    Snd_Close(handle);
    EXPECT_EQ(mixer_.live_chunks(), chunks);  // the copy still holds it
    Snd_Close(copy);
    EXPECT_EQ(mixer_.live_chunks(), chunks - 1);
    Snd_Copy(kMusicHandle);
    ExpectIllegal("copy of the music");
}

TEST_F(FilesTest, PlaceSetsAngleAndDistance) {
    const uint32_t music = Snd_OpenFile("finale.ogg", "VOL");
    Snd_Place(music, 0, 0, 500);
    EXPECT_EQ(mixer_.music_volume(), 64);  // 128 x (1000 - 500) / 1000
    Snd_Place(music, 0, 0, 0.5);
    EXPECT_EQ(mixer_.music_volume(), 128);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, StopAllFreesEverything) {
    Snd_PlayFile("Presenta.ogg", 1, 0.0, 0);
    Snd_PlayFile("finale.ogg", 0, 0.0, 0);
    Snd_PlayMacro("MBC");
    const uint32_t held = Snd_OpenFile("scoperto.ogg", "SYNC");
    EXPECT_GE(held, 2u);
    EXPECT_GT(mixer_.live_chunks(), 0u);
    Snd_StopAll();
    EXPECT_EQ(mixer_.live_chunks(), 0u);
    EXPECT_EQ(mixer_.live_music(), 0u);
    EXPECT_EQ(Snd_QueuedCount(), 0u);
    EXPECT_EQ(mixer_.music_playing_name(), "");
}

TEST_F(FilesTest, PlayedFileIsReclaimedAfterItEnds) {
    Snd_PlayFile("telibero.ogg", 1, 0.0, 0);
    const size_t chunks = mixer_.live_chunks();
    clock_.advance(60'000);
    Snd_Reclaim();
    EXPECT_EQ(mixer_.live_chunks(), chunks - 1);
}

// Every decode of a file lasts until a stand-in for the display loop has pumped the queue three
// times more: the loop must go on while the program thread decodes. A loop held by the decode
// would never get there, and the decode gives up after five seconds.
TEST(FileDecode, TheLoopGoesOnWhileAFileIsDecoded) {
    plat::ScaledClock clock(1, 10 * 3600);
    plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.clock = &clock;
    platform.mixer = &mixer;
    plat::Plat_Install(platform);
    Snd_Reset();
    Rt_ResetWords();

    std::atomic<uint32_t> passes{0};
    std::vector<bool> loop_went_on;
    mixer.set_file_open_wait([&passes, &loop_went_on] {
        const uint32_t first = passes.load();
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (passes.load() < first + 3 && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        loop_went_on.push_back(passes.load() >= first + 3);
    });
    std::atomic<bool> playing{true};
    std::thread loop([&] {
        while (playing) {
            clock.delay_ms(16);
            Snd_PumpQueue();
            ++passes;
        }
    });
    Snd_PlayFile("Presenta.ogg", 1, 0.0, 0);  // a sample: decoded whole before it plays
    Snd_PlayFile("telibero.ogg", 0, 0.0, 0);  // the music stream
    playing = false;
    loop.join();

    EXPECT_EQ(loop_went_on, std::vector<bool>(2, true));
    size_t files_started = 0;
    for (const plat::VirtualStart& start : mixer.starts()) files_started += start.kind == "file";
    EXPECT_EQ(files_started, 2u);
    Snd_Reset();
    plat::Plat_Install(plat::Platform{});
}

}  // namespace

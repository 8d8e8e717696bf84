// Music macros and tones rendered sample for sample, and the errors of the macro language.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "low_memory.h"
#include "sound_test_support.h"

namespace {

using sound_test::MakeReference;
using sound_test::NoteFrequency;
using sound_test::NoteSamples;
using sound_test::Samples;

class MacroTest : public sound_test::SoundFixture {
protected:
    // Plays one string and returns the samples of the one tune it queued.
    std::vector<int16_t> TuneOf(const std::string& macro) {
        const size_t before = mixer_.starts().size();
        Snd_PlayMacro(macro);
        EXPECT_EQ(Err_Pending(), 0u) << macro;
        const std::vector<plat::VirtualStart> starts = PlayOut();
        std::vector<plat::VirtualStart> tunes;
        for (size_t i = before; i < starts.size(); ++i) {
            if (starts[i].kind == "tune") tunes.push_back(starts[i]);
        }
        EXPECT_EQ(tunes.size(), 1u) << macro;
        return tunes.empty() ? std::vector<int16_t>{} : Samples(tunes.front());
    }
};

TEST_F(MacroTest, ThreeShortNotesWithTheInitialSettings) {
    Snd_PlayMacro("L30O4abc");
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitSound, kWaitSound);
    EXPECT_EQ(Rt_Words().checkRequest.load(), 1);

    const std::vector<plat::VirtualStart> starts = PlayOut();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0].kind, "silence");
    EXPECT_EQ(starts[0].length_bytes, 32768u);
    EXPECT_EQ(starts[1].kind, "tune");
    EXPECT_EQ(starts[1].what, "L30O4abc");
    EXPECT_EQ(starts[2].kind, "silence");
    EXPECT_EQ(starts[2].length_bytes, 4u);
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitSound, 0);

    // Each note lasts 1/15 s: 7/8 of it tone, 1/8 silence.
    const double tone_seconds = (1.0 - 0.125) * ((1.0 / (120.0 / 60.0)) * (4.0 / 30.0));
    const sound_test::ReferenceWave a = MakeReference(1760.0, tone_seconds, 0.5);
    const sound_test::ReferenceWave b =
        MakeReference(NoteFrequency(11 + 48 - 33), tone_seconds, 0.5);
    const sound_test::ReferenceWave c =
        MakeReference(NoteFrequency(0 + 48 - 33), tone_seconds, 0.5);
    ASSERT_EQ(a.frames.size(), 1286u);
    // The first values of A at 1760 Hz and half volume: steps of 4 x 1760 / 22050 of 16383.5.
    EXPECT_EQ(a.frames[0], 0);
    EXPECT_EQ(a.frames[1], 5230);
    EXPECT_EQ(a.frames[2], 10461);
    EXPECT_LT(a.cut, 1286u);
    EXPECT_GT(a.cut, 1286u - 13u);  // cut within the last period of 12.5 frames

    std::vector<int16_t> expected = NoteSamples(a, 183);
    const std::vector<int16_t> b_samples = NoteSamples(b, 183);
    const std::vector<int16_t> c_samples = NoteSamples(c, 183);
    expected.insert(expected.end(), b_samples.begin(), b_samples.end());
    expected.insert(expected.end(), c_samples.begin(), c_samples.end());
    const std::vector<int16_t> tune = Samples(starts[1]);
    ASSERT_EQ(tune.size(), expected.size());
    EXPECT_EQ(tune, expected);
    // The A part ends just before an upward zero crossing and is followed by 183 silent frames.
    EXPECT_LE(tune[(a.cut - 1) * 2], 0);
    for (size_t k = a.cut; k < a.cut + 183; ++k) ASSERT_EQ(tune[k * 2], 0) << k;
    EXPECT_GT(tune[(a.cut + 183 + 1) * 2], 0);
}

TEST_F(MacroTest, OctaveTwoAIs440Hertz) {
    const std::vector<int16_t> tune = TuneOf("O2L15a");
    const double note = (1.0 / (120.0 / 60.0)) * (4.0 / 15.0);
    const sound_test::ReferenceWave wave = MakeReference(440.0, 0.875 * note, 0.5);
    EXPECT_EQ(wave.frames[1], 1307);  // 4 x 440 / 22050 of 16383.5
    EXPECT_EQ(tune, NoteSamples(wave, static_cast<size_t>(22050 * 0.125 * note)));
    // Upward zero crossings every 22050 / 440 = 50.1 frames.
    int crossings = 0;
    for (size_t k = 1; k < wave.cut; ++k) {
        if (tune[k * 2] > 0 && tune[(k - 1) * 2] <= 0) ++crossings;
    }
    EXPECT_EQ(crossings, static_cast<int>(wave.cut / (22050.0 / 440.0)));
}

TEST_F(MacroTest, TwoPausesMakeOneSilentSound) {
    Snd_PlayMacro("P5P4");
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitSound, kWaitSound);
    const std::vector<plat::VirtualStart> starts = PlayOut();
    ASSERT_EQ(starts.size(), 3u);
    const std::vector<int16_t> tune = Samples(starts[1]);
    EXPECT_EQ(tune.size(), (8820u + 11025u) * 2);  // 0.4 s and 0.5 s
    EXPECT_TRUE(std::all_of(tune.begin(), tune.end(), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(starts[2].length_bytes, 4u);
}

TEST_F(MacroTest, ChordSumsAndClamps) {
    const std::vector<int16_t> tune = TuneOf("C,E,G");
    const double tone = 0.875 * 0.5;
    const size_t rest = static_cast<size_t>(22050 * 0.125 * 0.5);
    const std::vector<int16_t> c = NoteSamples(MakeReference(NoteFrequency(15), tone, 0.5), rest);
    const std::vector<int16_t> e = NoteSamples(MakeReference(NoteFrequency(19), tone, 0.5), rest);
    const std::vector<int16_t> g = NoteSamples(MakeReference(NoteFrequency(22), tone, 0.5), rest);
    std::vector<int16_t> expected(std::max({c.size(), e.size(), g.size()}), 0);
    std::copy(c.begin(), c.end(), expected.begin());
    for (const std::vector<int16_t>* note : {&e, &g}) {
        for (size_t i = 0; i < note->size(); ++i) {
            expected[i] = static_cast<int16_t>(std::clamp(expected[i] + (*note)[i], -32767, 32767));
        }
    }
    EXPECT_EQ(tune, expected);
    EXPECT_NE(std::find(tune.begin(), tune.end(), 32767), tune.end());
    EXPECT_NE(std::find(tune.begin(), tune.end(), -32767), tune.end());
    EXPECT_EQ(std::find(tune.begin(), tune.end(), -32768), tune.end());
}

TEST_F(MacroTest, DottedNoteLastsOneAndAHalf) {
    const std::vector<int16_t> tune = TuneOf("C4.");
    const double note = 0.5 * 1.5;
    EXPECT_EQ(tune, NoteSamples(MakeReference(NoteFrequency(15), 0.875 * note, 0.5),
                                static_cast<size_t>(22050 * 0.125 * note)));
}

TEST_F(MacroTest, NumberAfterOctaveUpServesTheNote) {
    const std::vector<int16_t> tune = TuneOf(">4C");
    EXPECT_EQ(tune, NoteSamples(MakeReference(NoteFrequency(0 + 60 - 33), 0.875 * 0.5, 0.5),
                                static_cast<size_t>(22050 * 0.125 * 0.5)));
}

TEST_F(MacroTest, TrailingCommaPlaysOneNote) {
    const std::vector<int16_t> tune = TuneOf("C,");
    EXPECT_EQ(tune, NoteSamples(MakeReference(NoteFrequency(15), 0.875 * 0.5, 0.5),
                                static_cast<size_t>(22050 * 0.125 * 0.5)));
}

TEST_F(MacroTest, LowAFollowedByPause) {
    const std::vector<int16_t> tune = TuneOf("L50O0aP30");
    const double note = 0.5 * 4.0 / 50.0;
    std::vector<int16_t> expected = NoteSamples(MakeReference(110.0, 0.875 * note, 0.5),
                                                static_cast<size_t>(22050 * 0.125 * note));
    expected.resize(expected.size() + static_cast<size_t>(22050 * (0.5 * 4.0 / 30.0)) * 2, 0);
    EXPECT_EQ(tune, expected);
}

TEST_F(MacroTest, SettingsPersistIntoLaterCalls) {
    Snd_PlayMacro("T240L8O3V100MSMB");
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);  // no notes: nothing queued, nothing to wait for
    const std::vector<int16_t> tune = TuneOf("D");
    const double note = (1.0 / (240.0 / 60.0)) * (4.0 / 8.0);
    EXPECT_EQ(tune, NoteSamples(MakeReference(NoteFrequency(2 + 36 - 33), 0.75 * note, 1.0),
                                static_cast<size_t>(22050 * 0.25 * note)));
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);  // still in the background
}

TEST_F(MacroTest, LegatoHasNoSilence) {
    const std::vector<int16_t> tune = TuneOf("MLC");
    const sound_test::ReferenceWave wave = MakeReference(NoteFrequency(15), 0.5, 0.5);
    EXPECT_EQ(tune, NoteSamples(wave, 0));
}

TEST_F(MacroTest, VariableReferenceGivesTheNumber) {
    uint8_t* segment = Rt_LowMemory() + kLowMemDataSegment;
    const int16_t octave = 3;
    std::memcpy(segment + 0x10, &octave, sizeof octave);
    std::string macro = "O=";
    macro += '\x02';
    macro += '\x10';
    macro += '\x00';
    macro += "C";
    const std::vector<int16_t> by_reference = TuneOf(macro);
    EXPECT_EQ(by_reference, TuneOf("O3C"));
    std::memset(segment + 0x10, 0, 2);
}

class MacroErrorTest : public sound_test::SoundFixture,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(MacroErrorTest, RaisesIllegalFunctionCall) {
    Snd_PlayMacro(GetParam());
    EXPECT_EQ(Err_Pending(), 5u) << GetParam();
    // The partly built tune is dropped: only the start-up silence is queued.
    EXPECT_EQ(Snd_QueuedCount(), 1u) << GetParam();
    EXPECT_EQ(Rt_Words().waitMask.load(), 0) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, MacroErrorTest,
                         ::testing::Values("C4#", "C##", "O7", "T31", "V101", "L0", "L65", "N85",
                                           "MX", "L4,", ",C", "X", "C.4", "C>4", ";", "M", "M4",
                                           "N", "L", "P0", "P65", "C65", "T256", "=\x02", "4",
                                           "O=\x03\x10\x01" "C", "C1=\x02\x10\x01",
                                           "L=\x02\x10\x01=\x02\x10\x01"));

class MacroValidTest : public sound_test::SoundFixture,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(MacroValidTest, IsAccepted) {
    Snd_PlayMacro(GetParam());
    EXPECT_EQ(Err_Pending(), 0u) << GetParam();
    EXPECT_EQ(Snd_QueuedCount(), 3u) << GetParam();  // silence, tune, marker
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, MacroValidTest,
                         ::testing::Values("C#4", "C,", "C4.", ">4C", "c d e", "N0", "N84.",
                                           "P1", "C-", "C+", "T32L64C0", "V0C", "<<<<<<<C",
                                           "MFC", "L4O6B", "C4..", "P.", "N12,N16"));

TEST_F(MacroTest, EarlierTunesStayQueuedAfterAnError) {
    Snd_PlayMacro("C");
    EXPECT_EQ(Snd_QueuedCount(), 3u);
    Snd_PlayMacro("DX");
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Snd_QueuedCount(), 3u);
}

TEST_F(MacroTest, NothingHappensWhileAnErrorIsPending) {
    Snd_PlayMacro("X");
    ASSERT_EQ(Err_Pending(), 5u);
    Snd_PlayMacro("C");
    Snd_Tone(440, 18);
    EXPECT_EQ(Snd_QueuedCount(), 1u);
}

TEST(MakeWave, ShorterThanOnePeriodKeepsOneFrame) {
    const SoundSamples wave = Snd_MakeWave(440.0, 0.01, 1.0);  // 220 frames, period 50
    EXPECT_EQ(wave.samples.size(), 220u * 2);
    EXPECT_EQ(wave.length_bytes, MakeReference(440.0, 0.01, 1.0).cut * 4);
    EXPECT_LT(wave.length_bytes, 220u * 4);
    const SoundSamples short_wave = Snd_MakeWave(440.0, 0.002, 1.0);  // 44 frames
    EXPECT_EQ(short_wave.length_bytes, 4u);
}

TEST(MakeWave, SilenceKeepsItsFullLength) {
    EXPECT_EQ(Snd_MakeWave(0.0, 0.5, 1.0).length_bytes, 11025u * 4);
    EXPECT_EQ(Snd_MakeWave(440.0, 0.5, 0.0).length_bytes, 11025u * 4);
    EXPECT_EQ(Snd_MakeWave(440.0, 0.0, 1.0).length_bytes, 4u);
}

TEST(MakeWave, VeryHighFrequenciesStayWithinFullScale) {
    const SoundSamples wave = Snd_MakeWave(32767.0, 1.0, 1.0);
    for (int16_t value : wave.samples) {
        ASSERT_GE(value, -32767);
        ASSERT_LE(value, 32767);
    }
    // Up to 11025 Hz the fold happens once a step, exactly as the plain wave.
    const sound_test::ReferenceWave reference = MakeReference(10000.0, 0.1, 1.0);
    const SoundSamples high = Snd_MakeWave(10000.0, 0.1, 1.0);
    for (size_t k = 0; k < reference.frames.size(); ++k) {
        ASSERT_EQ(high.samples[k * 2], reference.frames[k]) << k;
    }
    EXPECT_EQ(high.length_bytes, reference.cut * 4);
}

TEST_F(MacroTest, ToneOfFrequencyZeroIsSilence) {
    Snd_Tone(0.0, 18.0);
    EXPECT_EQ(Err_Pending(), 0u);
    const std::vector<plat::VirtualStart> starts = PlayOut();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].kind, "tone");
    const std::vector<int16_t> tone = Samples(starts[1]);
    EXPECT_EQ(tone.size(), static_cast<size_t>(22050 * (18.0 / 18.2)) * 2);
    EXPECT_TRUE(std::all_of(tone.begin(), tone.end(), [](int16_t v) { return v == 0; }));
}

TEST_F(MacroTest, ToneArgumentsOutOfRange) {
    for (const auto& [frequency, ticks] : std::vector<std::pair<double, double>>{
             {36.0, 1.0}, {32768.0, 1.0}, {-1.0, 1.0}, {440.0, -1.0}, {440.0, 65536.0}}) {
        Snd_Tone(frequency, ticks);
        EXPECT_EQ(Err_Pending(), 5u) << frequency << " " << ticks;
        Err_Reset();
    }
    Snd_Tone(37.0, 0.5);
    Snd_Tone(32767.0, 0.5);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(MacroTest, ToneAtFullLevel) {
    Snd_Tone(3000.0, 0.5);
    const std::vector<plat::VirtualStart> starts = PlayOut();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].what, "3000 Hz 0.5 ticks");
    const sound_test::ReferenceWave wave = MakeReference(3000.0, 0.5 / 18.2, 1.0);
    EXPECT_EQ(Samples(starts[1]), NoteSamples(wave, 0));
}

}  // namespace

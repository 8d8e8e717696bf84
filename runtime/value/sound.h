// Tones, music macros and sound files: the sound slots, the sound queue and their operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rt_string.h"

// Output format of every sound: 22050 frames a second, two channels of signed 16-bit samples
// carrying the same value, so one frame is 4 bytes.
constexpr int kSoundRate = 22050;
constexpr uint32_t kSoundFrameBytes = 4;
constexpr int kSoundSlotCount = 256;
constexpr uint32_t kSoundQueueLength = 10000;
constexpr uint32_t kMusicHandle = 1;

// Samples of a synthesised sound: interleaved left/right values. Only the first length_bytes
// sound; a tone is cut before its last upward zero crossing, so it may be shorter than its
// buffer.
struct SoundSamples {
    std::vector<int16_t> samples;
    uint32_t length_bytes = 0;
};

// Opens the mixer on the first call: 22050 Hz, 16-bit, stereo, 256 channels, and queues 0.37 s
// of silence. When the mixer cannot be opened the program ends with exit code 10001 (on the
// program thread through the normal shutdown, elsewhere at once).
void Snd_EnsureAudio();

// Parses a music-macro string and queues its notes as one sound; in foreground mode the
// program thread then waits at the end of the statement until they have been heard.
void Snd_PlayMacro(const RtString& macro);
// A tone of frequency_hz (0 = silence, else 37..32767) lasting duration_ticks clock ticks of
// 18.2 a second (0..65535). The program thread waits until the tone starts.
void Snd_Tone(double frequency_hz, double duration_ticks);
// A short 784 Hz tone, queued without waiting; then the calling thread sleeps 250 ms.
void Snd_Beep();

// Renders a triangle wave of the given level (0..1), cut before its last upward zero crossing.
SoundSamples Snd_MakeWave(double frequency_hz, double seconds, double level);
// Wraps samples as a sound in the lowest free slot; 0 when all slots are in use.
uint32_t Snd_NewRawSound(SoundSamples samples);

// Opens a sound file: as a sample with "SYNC" in the capability list ("SYNC", "VOL",
// "PAUSE", "LEN", "SETPOS", comma separated), else as the one music stream (handle 1).
// Returns 0 when the file cannot be opened or loaded.
uint32_t Snd_OpenFile(const RtString& name, const RtString& capabilities = RtString());
// The game's one-step file playing: open, set the volume if one was given (bit value 2 of
// given_flags), play and close. Never waits; a missing file plays nothing.
void Snd_PlayFile(const RtString& name, int32_t sync, double volume, int32_t given_flags);

// Handle operations; each raises error 5 for a handle not in use or lacking the capability.
void Snd_Play(uint32_t handle);
void Snd_Loop(uint32_t handle);
void Snd_Stop(uint32_t handle);
void Snd_Close(uint32_t handle);
void Snd_Pause(uint32_t handle);
int32_t Snd_IsPaused(uint32_t handle);   // -1 paused, 0 not
int32_t Snd_IsPlaying(uint32_t handle);  // -1 sounding and not paused, 0 not
void Snd_SetVolume(uint32_t handle, double volume);
double Snd_Length(uint32_t handle);
double Snd_Elapsed(uint32_t handle);
void Snd_SetLimit(uint32_t handle, double seconds);
void Snd_SetPosition(uint32_t handle, double seconds);
void Snd_Place(uint32_t handle, double x, double y, double z);
uint32_t Snd_Copy(uint32_t handle);
// Frees every closed sound that has stopped sounding.
void Snd_Reclaim();

// One step of the sound queue; called by the display and event loop on every pass.
void Snd_PumpQueue();
// Silences and releases every sound; called at program end.
void Snd_StopAll();
// Stops the music stream when its play limit has run out; called on every event pass.
void Snd_EnforceLimits();
// Forgets every sound, the queue and the macro settings and closes the mixer, so that a fresh
// program started in the same process begins as the first did.
void Snd_Reset();
// Forgets every sound and the macro settings without calling the mixer: for a new run whose
// previous mixer may no longer exist (the previous run ends with Snd_Reset).
void Snd_Forget();

// Looks for tests and diagnostics.
uint32_t Snd_QueuedCount();  // entries queued and not yet started
size_t Snd_SlotsInUse();     // sound slots holding a sound (closed ones still sounding count)
int Snd_ChannelOf(uint32_t handle);  // the mixer channel of a sample handle, -1 when none

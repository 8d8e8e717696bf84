// Tones, music macros and sound files.
#pragma once

// One step of the sound queue; called by the display and event loop on every pass.
void Snd_PumpQueue();
// Silences and releases every sound; called at program end.
void Snd_StopAll();
// Stops the music stream when its play limit has run out; called on every event pass.
void Snd_EnforceLimits();

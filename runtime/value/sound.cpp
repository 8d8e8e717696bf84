// Tones, music macros and sound files.
#include "sound.h"

void Snd_PumpQueue() {}
void Snd_StopAll() {}
void Snd_EnforceLimits() {}

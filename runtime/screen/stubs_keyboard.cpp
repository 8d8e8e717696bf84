// Placeholders for the keyboard until its translation and ring are built.
#include "keyboard.h"

void Kbd_HandleEvent(const plat::WindowEvent&) {}
void Kbd_SyncLockKeys(const plat::LockKeyState&, bool) {}
void Kbd_ClearRing() {}
RtString Kbd_Inkey() { return {}; }

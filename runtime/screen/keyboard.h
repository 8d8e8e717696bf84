// Keyboard input: SDL key events to runtime key codes, the key ring, Kbd_Inkey.
#pragma once

#include "rt_string.h"
#include "window.h"

// Handles one key event of the window on the start-up thread.
void Kbd_HandleEvent(const plat::WindowEvent& event);
// Brings the lock keys of the held-keys list in line with the system's (start-up: all keys).
void Kbd_SyncLockKeys(const plat::LockKeyState& state, bool at_startup);
// Empties the key ring (head = tail).
void Kbd_ClearRing();
// The next typed key as 0, 1 or 2 bytes; never waits.
RtString Kbd_Inkey();

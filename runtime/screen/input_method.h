// The input-method library's entry points that the runtime calls.
#pragma once

// Prepares the library; 0 on success. No composition driver exists on this platform, so the
// library starts without one and its event queue stays empty.
int InputMethod_Init();
void InputMethod_Quit();
// Number of composition events waiting; the event pass drains them.
int InputMethod_GetEventNumber();
void InputMethod_MoveNextEvent();

// The input-method library without a composition driver: it initialises and stays empty.
#include "input_method.h"

int InputMethod_Init() { return 0; }

void InputMethod_Quit() {}

int InputMethod_GetEventNumber() { return 0; }

void InputMethod_MoveNextEvent() {}

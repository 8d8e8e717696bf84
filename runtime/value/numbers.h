// Numbers: conversions to and from text, rounding, random numbers and the timer.
#pragma once

#include "rt_string.h"

// Extended precision for the floating-point unit, arithmetic faults to error 11.
void Num_StartFloatingPoint();
// The number a text begins with (0 when it begins with none).
double Num_FromText(const RtString& text);

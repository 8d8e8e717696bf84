// Placeholders for the number conversions until they are built.
#include <cstdlib>

#include "numbers.h"

void Num_StartFloatingPoint() {}
double Num_FromText(const RtString& text) { return std::atof(text.c_str()); }

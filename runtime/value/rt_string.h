// RtString: the runtime's counted byte string in code page 437.
#pragma once

#include <string>

// A string value with its own storage; it may hold any byte, 0 included. Temporaries are
// ordinary C++ temporaries, so none outlives the statement that made it.
using RtString = std::string;

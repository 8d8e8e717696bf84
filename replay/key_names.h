// Key names of replay scripts ("Enter", "Alt+Enter", "F4", "a") as window events.
#pragma once

#include <string>
#include <vector>

#include "window.h"

// The events of one press and release, modifiers included, in the order a keyboard sends them;
// false when the name is unknown.
bool Keys_Press(const std::string& name, std::vector<plat::WindowEvent>& events);
// The press of one typed character (code page 437 byte).
std::vector<plat::WindowEvent> Keys_TypeChar(char c);

// The opening screens: the disclaimer and the instructions screen with its menu.
#pragma once

#include "game_state.h"
#include "rt_string.h"

// The information line's telephone number: made up, it reaches nobody.
inline constexpr const char* kInformationNumber = "0000-000000";

// The menu's items in the order the highlight moves through them.
enum class MenuItem : int16_t { Sound = 1, ExitToDos = 2, Play = 3, Time = 4 };

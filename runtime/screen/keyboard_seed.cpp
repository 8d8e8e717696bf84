// The seed prompt: the form of Num_Randomize that asks for the seed on the screen.
#include <cstdint>

#include "errors.h"
#include "keyboard.h"
#include "numbers.h"
#include "platform.h"
#include "screen.h"
#include "shared_words.h"

namespace {

bool Stopping() {
    return Rt_Words().stop.load(std::memory_order_acquire) != 0;
}

// One typed line with its characters echoed: Backspace takes back the last one, Enter ends the
// line, extended keys are ignored. Ends early (with what was typed) when the program stops.
RtString ReadTypedLine() {
    RtString line;
    for (;;) {
        if (Stopping() || Err_IsPending()) return line;
        const RtString key = Kbd_Inkey();
        if (key.empty()) {
            plat::Plat().clock->delay_ms(1);
            continue;
        }
        const auto byte = static_cast<unsigned char>(key[0]);
        if (key.size() > 1 || byte == 0) continue;
        if (byte == 13) return line;
        if (byte == 8) {
            if (!line.empty()) {
                line.pop_back();
                // Cursor left, a blank over the character, cursor left again.
                Scr_Print(RtString("\x1D \x1D"), false);
            }
            continue;
        }
        if (byte < 32) continue;
        line += static_cast<char>(byte);
        Scr_Print(RtString(1, static_cast<char>(byte)), false);
    }
}

}  // namespace

void Num_Randomize() {
    if (Err_IsPending()) return;
    for (;;) {
        Scr_Print("Random-number seed (-32768 to 32767)? ", false);
        const RtString line = ReadTypedLine();
        Scr_Print("", true);
        if (Stopping() || Err_IsPending()) return;
        const int32_t value = Num_RoundToInt(Num_FromTextExtended(line));
        if (value >= -32768 && value <= 32767) {
            const uint32_t bits = static_cast<uint16_t>(static_cast<int16_t>(value));
            Num_SetRndSeed((bits << 8) | (Num_RndSeed() & 0xFF));
            return;
        }
        // A number outside the 16-bit range is asked for again.
        Scr_Print("Overflow", true);
    }
}

// The small statements the game's screens share.
#include "screen_statements.h"

#include "errors.h"
#include "screen.h"

void Locate(int64_t row, int64_t column) {
    Scr_Locate(row, column, 0, 0, 0, 3);
}
void Colour(int64_t foreground) {
    Scr_Color(foreground, 0, 0, 1);
}
void PrintAt(int64_t row, int64_t column, const RtString& text) {
    STMT(Locate(row, column));
    STMT(Scr_Print(text, false));
}
void PrintLineAt(int64_t row, int64_t column, const RtString& text) {
    STMT(Locate(row, column));
    STMT(Scr_Print(text, true));
}
RtString FrameLine(char left, int64_t width, char right) {
    return RtString(1, left) + RtString(static_cast<size_t>(width), kHorizontal) +
           RtString(1, right);
}

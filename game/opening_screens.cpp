// ShowDisclaimer and ShowIntroAndMenu: the notice that opens the program, then before every
// game the instructions, the case's bank and sum, and the menu of sound, time, exit and play.
#include "opening_screens.h"

#include <array>
#include <string>

#include "case_generation.h"
#include "errors.h"
#include "game_observer.h"
#include "keyboard.h"
#include "numbers.h"
#include "pictures.h"
#include "runtime_main.h"
#include "screen.h"
#include "screen_statements.h"
#include "sound.h"
#include "strings_ops.h"

namespace {

// Code page 437 bytes of the key symbols.
constexpr uint8_t kFullBlock = 0xDB;
constexpr uint8_t kShadedBlock = 0xB1;

constexpr int64_t kDisclaimerMode = 7;
constexpr int64_t kMenuMode = 12;
constexpr int kDisclaimerPasses = 14;
constexpr int16_t kFirstPlayMinutes = 14;
constexpr int16_t kFewestPlayMinutes = 5;
constexpr int16_t kMostPlayMinutes = 20;

constexpr int64_t kWhite = 15;
constexpr int64_t kGreen = 2;
constexpr int64_t kLightGreen = 10;
constexpr int64_t kLightCyan = 11;
constexpr int64_t kLightRed = 12;
constexpr int64_t kYellow = 14;
constexpr int64_t kGrey = 7;

void SetMode(int64_t mode) {
    Scr_SetMode(static_cast<int32_t>(mode), 0, 0, 0, 1);
}
void ClearScreen() {
    Scr_Cls(0, 0, 0);
}

// One menu item's frame: top row, left column and inner width.
struct MenuFrame {
    int64_t row = 0;
    int64_t column = 0;
    int64_t width = 0;
};

// Draws a whole frame, clearing its inside (the first drawing of the menu).
void DrawWholeFrame(const MenuFrame& f) {
    STMT(Locate(f.row, f.column));
    STMT(Scr_Print(FrameLine(kTopLeft, f.width, kTopRight), true));
    STMT(Locate(f.row + 1, f.column));
    STMT(Scr_Print(RtString(1, kVertical) + Str_Space(f.width) + RtString(1, kVertical), true));
    STMT(Locate(f.row + 2, f.column));
    STMT(Scr_Print(FrameLine(kBottomLeft, f.width, kBottomRight), true));
}

// Redraws a frame's lines in the current colour, leaving the label inside as it is.
void RedrawFrame(const MenuFrame& f) {
    STMT(Locate(f.row, f.column));
    STMT(Scr_Print(FrameLine(kTopLeft, f.width, kTopRight), true));
    STMT(Locate(f.row + 1, f.column));
    STMT(Scr_Print(RtString(1, kVertical), true));
    STMT(Locate(f.row + 1, f.column + f.width + 1));
    STMT(Scr_Print(RtString(1, kVertical), true));
    STMT(Locate(f.row + 2, f.column));
    STMT(Scr_Print(FrameLine(kBottomLeft, f.width, kBottomRight), true));
}

// The time gauge: a full block per minute, a shaded block for each of the rest up to 20.
void DrawGauge(int16_t playMinutes) {
    STMT(Locate(26, 30));
    STMT(Scr_Print(Str_Repeat(playMinutes, kFullBlock) +
                       Str_Repeat(kMostPlayMinutes - playMinutes, kShadedBlock),
                   true));
}

// After a change of the time: the gauge and the minutes, both in light green.
void RedrawTime(int16_t playMinutes) {
    STMT(Colour(kLightGreen));
    DrawGauge(playMinutes);
    STMT(Locate(26, 50));
    STMT(Scr_Print(Num_ToText(playMinutes) + " ", true));
}

void PrintSoundSwitch(int16_t soundOff) {
    STMT(Locate(23, 18));
    STMT(Scr_Print(soundOff != 0 ? "NO" : "SI", true));
}

// The menu's own values, published for the replay driver's state while the menu runs. The
// pointer is the program thread's, like the observer it serves.
struct MenuFields {
    const int16_t* bankCityNumber = nullptr;
    const int16_t* stolenSum = nullptr;
    const int16_t* selected = nullptr;
};
const MenuFields* g_menu_fields = nullptr;

void WriteMenuFields(std::string& json) {
    if (g_menu_fields == nullptr) return;
    json += ", \"bankCityNumber\": " + std::to_string(*g_menu_fields->bankCityNumber);
    json += ", \"stolenSum\": " + std::to_string(*g_menu_fields->stolenSum);
    json += ", \"menuItem\": " + std::to_string(*g_menu_fields->selected);
}

// The end of the program from the menu: two falling tones, then the runtime's end prompt.
[[noreturn]] void ExitToDos() {
    STMT(ClearScreen());
    STMT(Colour(kGrey));
    STMT(Snd_Tone(3000, 0.5));
    STMT(Snd_Tone(2000, 0.5));
    Rt_End();
}

}  // namespace

void ShowDisclaimer() {
    STMT(Num_Randomize(Num_Timer()));
    STMT(SetMode(kDisclaimerMode));
    STMT(ClearScreen());
    int pass = 0;
    RtString lastKey;
    END_STATEMENT;
    for (;;) {
        STMT(pass = pass + 1);
        if (pass == kDisclaimerPasses + 1 || !lastKey.empty()) break;
        STMT(Colour(DrawRandom(5, 10)));
        STMT(Locate(8, 5));
        STMT(Scr_Print("*********************************", true));
        STMT(Locate(9, 5));
        STMT(Scr_Print("* Ogni riferimento a persone  o *", true));
        STMT(Locate(10, 5));
        STMT(Scr_Print("* cose  e/o a  fatti  realmente *", true));
        STMT(Locate(11, 5));
        STMT(Scr_Print("* accaduti, \x8A puramente casuale *", true));
        STMT(Locate(12, 5));
        STMT(Scr_Print("*********************************", true));
        STMT(Colour(kWhite));
        STMT(Locate(15, 5));
        STMT(Scr_Print(RtString("Per inf. Telefonare al ") + kInformationNumber, true));
        STMT(Locate(18, 13));
        STMT(Scr_Print("Premi un Tasto...", true));
        if (pass == 1) {
            // Ten rising tones, 100 Hz to 9100 Hz, heard only when the notice first appears.
            for (int frequency_hz = 100; frequency_hz <= 9100; frequency_hz += 1000) {
                STMT(Snd_Tone(frequency_hz, 0.3));
            }
        }
        STMT(Snd_PlayMacro("P1"));
        STMT(lastKey = Kbd_Inkey());
    }
}

void ShowIntroAndMenu(BankCities& bankCities, int16_t& culpritIndex, int16_t& soundOff,
                      int16_t& playMinutes) {
    PictureBuffer frameTile(kTileWords);
    END_STATEMENT;
    PictureBuffer titlePicture(kTitlePictureWords);
    END_STATEMENT;
    STMT(LoadPicture("tel2.grh", frameTile));
    STMT(LoadPicture("simgra.grh", titlePicture));

    int16_t bankCityNumber = 0;
    int16_t stolenSum = 0;
    int16_t selected = 0;
    END_STATEMENT;
    const MenuFields fields{&bankCityNumber, &stolenSum, &selected};
    const ScopedScreenFields<MenuFields> published(g_menu_fields, fields, WriteMenuFields);
    StartCase(bankCities, culpritIndex, bankCityNumber, stolenSum);

    STMT(ClearScreen());
    STMT(SetMode(kMenuMode));

    // The border: a row of tiles at the top and at the foot, a column at each side.
    for (int32_t x = 3; x <= 588; x += 45) {
        STMT(PutPicture(x, 1, frameTile, kPutOverwrite));
        STMT(PutPicture(x, 449, frameTile, kPutOverwrite));
    }
    for (int32_t y = 29; y <= 421; y += 28) {
        STMT(PutPicture(3, y, frameTile, kPutOverwrite));
        STMT(PutPicture(588, y, frameTile, kPutOverwrite));
    }
    STMT(PutPicture(76, 40, titlePicture, kPutOverwrite));

    // The instructions: the convict, the bank's city and the sum.
    const RtString bar(1, kVertical);
    END_STATEMENT;
    STMT(Colour(kWhite));
    STMT(Locate(8, 8));
    STMT(Scr_Print(FrameLine(kTopLeft, 64, kTopRight), true));
    STMT(Locate(9, 8));
    STMT(Scr_Print(bar + "                      I S T R U Z I O N I                       " + bar,
                   true));
    STMT(Locate(10, 8));
    STMT(Scr_Print(bar + Str_Space(64) + bar, true));
    STMT(Locate(11, 8));
    STMT(Scr_Print(bar + " Un evaso di galera, ha rubato in una banca di ", false));
    STMT(Scr_Print(bankCities[static_cast<size_t>(bankCityNumber)], false));
    STMT(Scr_Print(" una somma", false));
    STMT(Scr_Print(Scr_Tab(73), false));
    STMT(Scr_Print(bar, true));
    STMT(Locate(12, 8));
    STMT(Scr_Print(bar + " di", false));
    STMT(Scr_Print(Num_ToText(stolenSum) + " ", false));
    STMT(Scr_Print("miliardi di lire. Ora si trova rinchiuso nella sua villa " + bar, true));
    STMT(Locate(13, 8));
    STMT(Scr_Print(bar + " in campagna ed esce soltanto per comprarsi da mangiare e bere. " + bar,
                   true));
    STMT(Locate(14, 8));
    STMT(Scr_Print(
        bar + " Saprai scoprire chi \x8A, e qual'\x8A il suo numero di telefono?.... " + bar,
        true));
    for (int64_t row = 15; row <= 17; ++row) {
        STMT(Locate(row, 8));
        STMT(Scr_Print(bar, false));
        STMT(Scr_Print(Scr_Tab(73), false));
        STMT(Scr_Print(bar, true));
    }
    STMT(Locate(18, 8));
    STMT(Scr_Print(FrameLine(kBottomLeft, 64, kBottomRight), true));

    // The keys, with gaps that the symbols fill in another colour.
    STMT(Colour(kLightGreen));
    STMT(Locate(15, 10));
    STMT(Scr_Print("Telefonando ai dieci testimoni, potrai scoprire informazioni", true));
    STMT(Locate(16, 10));
    STMT(Scr_Print("utili. Prememdo <  > potrai avere l'elenco dei dieci sospetti.", true));
    STMT(Locate(17, 10));
    STMT(Scr_Print("Per comporre un numero di telefono utilizzare < > o < > e <  >", true));
    STMT(Colour(kYellow));
    STMT(Locate(16, 27));
    STMT(Scr_Print("F4", true));
    STMT(Locate(17, 57));
    STMT(Scr_Print(Str_Chr(26), true));
    STMT(Locate(17, 63));
    STMT(Scr_Print(Str_Chr(27), true));
    STMT(Locate(17, 69));
    STMT(Scr_Print(Str_Chr(17) + Str_Chr(0xD9), true));

    // The menu box.
    STMT(Colour(kLightRed));
    STMT(Locate(19, 8));
    STMT(Scr_Print(FrameLine(kTopLeft, 64, kTopRight), true));
    for (int64_t row = 20; row <= 27; ++row) {
        STMT(Locate(row, 8));
        STMT(Scr_Print(bar, false));
        STMT(Scr_Print(Scr_Tab(73), false));
        STMT(Scr_Print(bar, true));
    }
    STMT(Locate(28, 8));
    STMT(Scr_Print(FrameLine(kBottomLeft, 64, kBottomRight), true));
    STMT(Colour(kYellow));
    STMT(Locate(20, 36));
    STMT(Scr_Print("M  E  N  U", true));

    STMT(selected = static_cast<int16_t>(MenuItem::Sound));
    if (playMinutes == 0) STMT(playMinutes = kFirstPlayMinutes);

    const std::array<MenuFrame, 5> frames = {MenuFrame{}, MenuFrame{22, 10, 10},
                                             MenuFrame{22, 34, 13}, MenuFrame{22, 59, 11},
                                             MenuFrame{25, 22, 35}};
    END_STATEMENT;
    for (int16_t item = 1; item <= 3; ++item) {
        STMT(Colour(item == selected ? kWhite : kGreen));
        DrawWholeFrame(frames[static_cast<size_t>(item)]);
    }
    STMT(Colour(kGreen));
    DrawWholeFrame(frames[4]);

    STMT(Colour(kLightGreen));
    STMT(Locate(23, 12));
    STMT(Scr_Print("Suono:", true));
    STMT(Locate(23, 36));
    STMT(Scr_Print("Esci al DOS", true));
    STMT(Locate(23, 61));
    STMT(Scr_Print("G I O C O", true));
    STMT(Locate(26, 24));
    STMT(Scr_Print("Tempo:", true));
    DrawGauge(playMinutes);

    STMT(Colour(kLightCyan));
    PrintSoundSwitch(soundOff);
    STMT(Locate(26, 50));
    STMT(Scr_Print(Num_ToText(playMinutes) + " ", false));
    // "min." stands in column 54 whatever the number's width, so a later redraw of a
    // two-digit number (which reaches column 53) never covers its first letter.
    STMT(Scr_Print(Scr_Tab(54), false));
    STMT(Scr_Print("min.", true));

    STMT(Snd_PlayFile("Presenta.ogg", 1, 0, 1));

    int16_t direction = 0;
    END_STATEMENT;
    for (;;) {
        RtString key;
        END_STATEMENT;
        STMT(key = Kbd_Inkey());
        const RtString last = Str_Right(key, 1);
        END_STATEMENT;
        const auto item = static_cast<MenuItem>(selected);
        bool move = false;
        if (last == "M") {
            STMT(direction = 1);
            move = true;
        } else if (last == "K") {
            STMT(direction = -1);
            move = true;
        } else if (last == "\r") {
            if (item == MenuItem::Sound) {
                STMT(soundOff = soundOff == 0 ? 1 : 0);
                STMT(Colour(kLightCyan));
                PrintSoundSwitch(soundOff);
                STMT(Snd_PlayMacro("L50O4a"));
            } else if (item == MenuItem::ExitToDos) {
                ExitToDos();
            } else if (item == MenuItem::Play) {
                break;
            } else {
                if (playMinutes < kMostPlayMinutes) STMT(playMinutes = playMinutes + 1);
                RedrawTime(playMinutes);
                STMT(Snd_PlayMacro("L50O4a"));
            }
        } else if (last == "\b") {
            if (item == MenuItem::Time) {
                if (playMinutes > kFewestPlayMinutes) STMT(playMinutes = playMinutes - 1);
                RedrawTime(playMinutes);
                STMT(Snd_PlayMacro("L50O3c"));
            }
        } else if (last == " ") {
            if (item == MenuItem::ExitToDos) ExitToDos();
            if (item == MenuItem::Play) break;
        }
        if (move) {
            STMT(Colour(kGreen));
            RedrawFrame(frames[static_cast<size_t>(selected)]);
            STMT(selected = static_cast<int16_t>(selected + direction));
            if (selected == 5) STMT(selected = 1);
            if (selected == 0) STMT(selected = 4);
            STMT(Colour(kWhite));
            RedrawFrame(frames[static_cast<size_t>(selected)]);
        }
    }

    // The game begins: a wait notice while the case is made and the pictures load.
    STMT(ClearScreen());
    STMT(Colour(kWhite));
    STMT(SetMode(kDisclaimerMode));
    STMT(Locate(10, 12));
    STMT(Scr_Print("Attendere prego.....", true));
}

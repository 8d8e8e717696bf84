// PlayGame: the telephone screen where a case is played - dialling with the pulse dial, the
// clock against the limit, the lines and their outcomes, conversations and the confession.
#include <deque>
#include <string>
#include <vector>

#include "case_generation.h"
#include "errors.h"
#include "game_observer.h"
#include "game_state.h"
#include "graphics.h"
#include "high_scores_table.h"
#include "keyboard.h"
#include "numbers.h"
#include "pictures.h"
#include "runtime_main.h"
#include "screen.h"
#include "screen_statements.h"
#include "sound.h"
#include "strings_ops.h"
#include "suspect_list.h"
#include "telephone_calls.h"
#include "telephone_rules.h"

namespace {

// Code page 437 characters of the screen.
constexpr char kLeftT = '\xCC';
constexpr char kRightT = '\xB9';
constexpr char kShaded = '\xB1';      // ▒
constexpr char kLightShade = '\xB0';  // ░
constexpr char kFullBlock = '\xDB';   // █
constexpr char kPathStep = '\xC2';    // ┬
constexpr char kPathCorner = '\xBF';  // ┐
constexpr char kPathBranch = '\xC3';  // ├
constexpr char kPathDown = '\xB3';    // │
constexpr char kLineTop = '\xD1';     // ╤
constexpr char kSingleLine = '\xC4';  // ─
constexpr const char* kNumberMark = "N\xF8 ";

constexpr int32_t kTelephoneMode = 12;
constexpr int32_t kTelephoneY = 384;
constexpr int16_t kHighlight = 15;
constexpr int16_t kYellow = 14;

// The pictures the screen loads, in their order, with their buffer sizes.
struct PictureFile {
    const char* name;
    int32_t words;
};
constexpr PictureFile kPictureFiles[] = {
    {"tel.grh", kTileWords},     {"lin.grh", kLinePieceWords}, {"spaz.grh", kTileWords},
    {"faccia.grh", kTileWords},  {"capbi.grh", kTileWords},    {"capro.grh", kTileWords},
    {"capcas.grh", kTileWords},  {"capner.grh", kTileWords},   {"capbri.grh", kTileWords},
    {"capbia.grh", kTileWords},  {"calvo.grh", kTileWords},    {"legbri.grh", kTileWords},
    {"bioscu.grh", kTileWords},  {"cachi.grh", kTileWords},    {"corni.grh", kPortraitFrameWords},
    {"capbid.grh", kTileWords},  {"caprod.grh", kTileWords},   {"capcasd.grh", kTileWords},
    {"capnerd.grh", kTileWords}, {"capbrid.grh", kTileWords},  {"capbiad.grh", kTileWords},
    {"legbrid.grh", kTileWords}, {"bioscud.grh", kTileWords},  {"cachid.grh", kTileWords},
    {"factri.grh", kTileWords},
};

// The 25 picture buffers of one game, found by file name.
class TelephonePictures {
  public:
    void Load() {
        for (const PictureFile& file : kPictureFiles) {
            buffers_.emplace_back(file.words);
            names_.emplace_back(file.name);
            END_STATEMENT;
            STMT(LoadPicture(file.name, buffers_.back()));
        }
    }
    PictureBuffer* Find(const std::string& name) {
        for (size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) return &buffers_[i];
        }
        return nullptr;
    }
    PictureBuffer& Get(const char* name) { return *Find(name); }

  private:
    std::deque<PictureBuffer> buffers_;
    std::vector<std::string> names_;
};

// Everything one game on the telephone screen keeps; the shared values are the game flow's.
struct Telephone {
    Telephone(Witnesses& w, Suspects& s, int16_t& culprit, int16_t& sound, int16_t& minutes,
              RtString& result, int16_t& timeOut)
        : witnesses(w),
          suspects(s),
          culpritIndex(culprit),
          soundOff(sound),
          playMinutes(minutes),
          resultTime(result),
          timedOut(timeOut) {}

    Witnesses& witnesses;
    Suspects& suspects;
    int16_t& culpritIndex;
    int16_t& soundOff;
    int16_t& playMinutes;
    RtString& resultTime;
    int16_t& timedOut;

    TelephonePictures pictures;
    TelephoneLines lines;
    WitnessMemory memory;
    GameClock clock;
    RtString culpritNumber;
    int16_t targetSum = 0;
    int16_t panelColour = 0;
    int16_t digitValue = 0;
    int16_t pathCol = 0;
    int16_t pathRow = 0;
    int16_t digitCount = 0;
    int16_t displayCol = 0;
    int16_t displayStep = 0;
    RtString dialledNumber;
    int16_t dialledSum = 0;
    int16_t dialPos = 0;
    int16_t firstKeyTaken = 0;
    int16_t commsCount = 0;
    RtString waitingKey;
    bool firstPass = true;
    bool callInProgress = false;  // from a complete attempt to the end of its outcome
};

// The game on the telephone screen, for the replay driver's state (program thread only; set
// while PlayGame runs).
const Telephone* g_telephone = nullptr;

void AddField(std::string& json, const char* name, const std::string& value) {
    json += ", \"";
    json += name;
    json += "\": ";
    json += value;
}

template <class Array>
std::string NumberList(const Array& values, size_t first, size_t last) {
    std::string list = "[";
    for (size_t i = first; i <= last; ++i) {
        if (i > first) list += ", ";
        list += std::to_string(values[i]);
    }
    return list + "]";
}

void WriteTelephoneFields(std::string& json) {
    if (g_telephone == nullptr) return;
    const Telephone& t = *g_telephone;
    const TelephoneLines& l = t.lines;
    AddField(json, "culpritNumber", Game_JsonText(t.culpritNumber));
    AddField(json, "targetSum", std::to_string(t.targetSum));
    std::string numbers = "[";
    for (size_t i = 1; i <= kLineCount; ++i) {
        if (i > 1) numbers += ", ";
        numbers += Game_JsonText(l.lineNumbers[i]);
    }
    AddField(json, "lineNumbers", numbers + "]");
    AddField(json, "lineSums", NumberList(l.lineSums, 1, kLineCount));
    AddField(json, "currentLine", std::to_string(l.currentLine));
    AddField(json, "selectedLine", std::to_string(l.selectedLine));
    AddField(json, "notice", Game_JsonText(l.notice));
    AddField(json, "freeNumber", Game_JsonText(l.freeNumber));
    AddField(json, "clueKind", NumberList(t.memory.clueKind, 1, kLineCount));
    AddField(json, "daysAgo", NumberList(t.memory.daysAgo, 1, kLineCount));
    AddField(json, "commsCount", std::to_string(t.commsCount));
    AddField(json, "elapsed", std::to_string(t.clock.elapsed));
    AddField(json, "remaining", std::to_string(t.clock.remaining));
    AddField(json, "linesFull", l.linesFull ? "true" : "false");
    AddField(json, "freeRoll", std::to_string(l.freeRoll));
    AddField(json, "digitValue", std::to_string(t.digitValue));
    AddField(json, "digitCount", std::to_string(t.digitCount));
    AddField(json, "dialledNumber", Game_JsonText(t.dialledNumber));
    AddField(json, "callInProgress", t.callInProgress ? "true" : "false");
}

// ---- Small statements ---------------------------------------------------------------------------

RtString Chars(int64_t count, char c) {
    return Str_Repeat(count, static_cast<uint8_t>(c));
}
RtString Boxed(int64_t width) {
    return RtString(1, kVertical) + Str_Space(width) + RtString(1, kVertical);
}
// A box of three rows with `width` columns inside.
void SmallBox(int64_t row, int64_t column, int64_t width) {
    PrintAt(row, column, FrameLine(kTopLeft, width, kTopRight));
    PrintAt(row + 1, column, Boxed(width));
    PrintAt(row + 2, column, FrameLine(kBottomLeft, width, kBottomRight));
}
RtString Trimmed(int16_t value) {
    return Str_TrimLeft(Num_ToText(value));
}

// A tune heard only with sound on; with sound off the named pause (if any) keeps the pacing.
void Tune(const Telephone& t, const char* withSound, const char* withoutSound) {
    if (t.soundOff == 0) {
        STMT(Snd_PlayMacro(withSound));
    } else if (withoutSound != nullptr) {
        STMT(Snd_PlayMacro(withoutSound));
    }
}
void Pause(const char* pause) {
    STMT(Snd_PlayMacro(pause));
}

RtString LineNameText(const Telephone& t, int16_t line) {
    const Witness& w = t.witnesses.at(static_cast<size_t>(line));
    return PersonNameText(w.firstName, w.surname, w.city);
}
RtString CulpritNameText(const Telephone& t) {
    const Suspect& s = t.suspects.at(static_cast<size_t>(t.culpritIndex));
    return PersonNameText(s.firstName, s.surname, s.city);
}

// ---- The screen ---------------------------------------------------------------------------------

void DrawScreen(Telephone& t) {
    STMT(Scr_Cls(0, 0, 0));
    STMT(Scr_SetMode(kTelephoneMode, 0, 0, 0, 1));

    STMT(Colour(10));
    PrintAt(1, 1, FrameLine(kTopLeft, 78, kTopRight));
    for (int row = 2; row <= 27; ++row) {
        PrintAt(row, 1, RtString(1, kVertical));
        PrintAt(row, 80, RtString(1, kVertical));
    }
    PrintAt(28, 1, FrameLine(kBottomLeft, 78, kBottomRight));
    // Keypad box, open at its foot where the dialling path starts.
    PrintAt(2, 2, FrameLine(kTopLeft, 7, kTopRight));
    for (int row = 3; row <= 10; ++row) PrintAt(row, 2, Boxed(7));
    PrintAt(11, 2, FrameLine(kLeftT, 7, kBottomRight));
    PrintAt(12, 2, "\xC7");
    SmallBox(2, 12, 30);  // the number
    SmallBox(2, 45, 32);  // messages
    SmallBox(6, 69, 8);   // the line lamp
    STMT(Colour(11));
    PrintAt(7, 71, "Linea");

    // The right panel: busy numbers, conversations and time.
    PrintAt(10, 59, FrameLine(kTopLeft, 18, kTopRight));
    for (int row = 11; row <= 26; ++row) {
        PrintAt(row, 59, RtString(1, kVertical));
        PrintAt(row, 78, RtString(1, kVertical));
    }
    PrintAt(23, 59, FrameLine(kLeftT, 18, kRightT));
    PrintAt(25, 59, FrameLine(kLeftT, 18, kRightT));
    PrintAt(27, 59, FrameLine(kBottomLeft, 18, kBottomRight));
    PrintAt(11, 61, "Numeri occupati:");
    PrintAt(24, 61, "Comunicazioni:" + Trimmed(t.commsCount));
    PrintAt(26, 61, "Tempo:");
    STMT(Colour(kYellow));
    STMT(Scr_Print("minuti" + Num_ToText(t.playMinutes) + " ", false));

    // The dial: its frame, the strip of digit windows and the track of the pulse marker.
    STMT(Colour(12));
    PrintAt(6, 12, FrameLine(kTopLeft, 39, kTopRight));
    PrintAt(7, 12, Boxed(39));
    PrintAt(8, 12, RtString(1, kLeftT) + Str_Space(39) + RtString(1, kRightT));
    PrintAt(9, 12, RtString(1, kVertical));
    PrintAt(9, 52, RtString(1, kVertical));
    PrintAt(10, 12, RtString(1, kBottomLeft));
    for (int k = 0; k <= 8; ++k) {
        PrintAt(8, 13 + 4 * k, Chars(3, kHorizontal) + "\xCB");
        PrintAt(9, 16 + 4 * k, RtString(1, kVertical));
        PrintAt(10, 13 + 4 * k, Chars(3, kHorizontal) + "\xCA");
    }
    PrintAt(8, 49, Chars(3, kHorizontal));
    PrintAt(10, 49, Chars(3, kHorizontal) + RtString(1, kBottomRight));
    STMT(Colour(kYellow));
    PrintAt(9, 14, "1");
    for (int d = 2; d <= 9; ++d) PrintAt(9, 18 + 4 * (d - 2), Trimmed(static_cast<int16_t>(d)));
    PrintAt(9, 50, "0");
    for (int column = 13; column <= 51; ++column) {
        if (column % 2 == 1) {
            STMT(Colour(2));
            PrintAt(7, column, RtString(1, kSingleLine));
        } else if ((column - 14) % 4 == 0) {
            STMT(Colour(6));
            PrintAt(7, column, RtString(1, kShaded));
        } else {
            STMT(Colour(7));
            PrintAt(7, column, RtString(1, kSingleLine));
        }
    }

    STMT(Colour(10));
    PrintAt(3, 14, "Numero di telefono:");
    STMT(Colour(kYellow));
    PrintAt(3, 6, "0");
    PrintAt(5, 4, "1 2 3");
    PrintAt(7, 4, "4 5 6");
    PrintAt(9, 4, "7 8 9");
    SmallBox(6, 54, 12);  // the digit being chosen
    for (int16_t k = 1; k <= kLineCount; ++k) {
        const RtString& number = t.lines.lineNumbers[static_cast<size_t>(k)];
        if (!number.empty()) PrintAt(12 + k, 61, kNumberMark + ShownNumber(number));
    }
    STMT(Colour(10));
    PrintAt(7, 56, "Scelta N\xF8");
    PrintAt(7, 65, Trimmed(t.digitValue));

    STMT(Num_Randomize(Num_Timer()));
}

// The left panel: the target block in the pass's colour, the rest in light green; then the
// line along the foot and the small telephone at the end of the target block.
void DrawPanel(Telephone& t) {
    for (int row = 12; row <= 24; ++row) {
        STMT(Colour(t.panelColour));
        PrintAt(row, 3, Chars(t.targetSum, kShaded));
        STMT(Colour(10));
        PrintAt(row, 3 + t.targetSum, Chars(55 - t.targetSum, kShaded));
    }
    for (int32_t x = 8; x <= 416; x += 34) {
        STMT(PutPicture(x, 399, t.pictures.Get("lin.grh"), kPutOverwrite));
    }
    STMT(PutPicture(420, 399, t.pictures.Get("lin.grh"), kPutOverwrite));
    STMT(PutPicture(8 * t.targetSum + 11, kTelephoneY, t.pictures.Get("tel.grh"), kPutOverwrite));
}

// The free-number notice of this pass.
void ShowNotice(Telephone& t) {
    const RtString shown = Lines_StartNotice(t.lines);
    END_STATEMENT;
    STMT(Colour(kYellow));
    PrintAt(3, 51, "C'e un numero libero !!");
    STMT(Colour(kHighlight));
    PrintAt(12, 61, "** " + shown + " **");
    Tune(t, "L30O4abc", nullptr);
}

// The dialling tone with the lamp blinking, until a key comes.
RtString WaitingTone(Telephone& t) {
    RtString key;
    END_STATEMENT;
    for (;;) {
        PrintAt(7, 76, " ");
        Tune(t, "O2L15a", "P15");
        STMT(key = Kbd_Inkey());
        if (!key.empty()) break;
        PrintAt(7, 76, RtString(1, kLightShade));
        Pause("P10");
        PrintAt(7, 76, " ");
        Tune(t, "L3a", "P3");
        PrintAt(7, 76, RtString(1, kShaded));
        Pause("P5P4");
        STMT(key = Kbd_Inkey());
        if (!key.empty()) break;
    }
    PrintAt(7, 76, " ");
    return key;
}

void TimeOut(Telephone& t) {
    PrintAt(27, 3, "Tempo scaduto!!!" + Str_Space(35));
    if (t.soundOff == 0) {
        STMT(Snd_PlayFile("scaduto.ogg", 0, 0, 0));
        for (int32_t frequency_hz = 10000; frequency_hz >= 100; frequency_hz -= 150) {
            STMT(Snd_Tone(frequency_hz, 0.7));
        }
    } else {
        Pause("P1P30");
    }
    STMT(t.timedOut = 1);
}

[[noreturn]] void EndProgram() {
    STMT(Colour(7));
    STMT(Snd_Tone(3000, 0.5));
    STMT(Snd_Tone(2000, 0.5));
    STMT(Snd_PlayFile("finale.ogg", 0, 0, 0));
    Rt_End();
}

// ---- Choosing and dialling digits ---------------------------------------------------------------

char& CurrentCell(Telephone& t, int rowOffset) {
    return t.lines.PathCell(t.lines.currentLine, t.pathCol, t.pathRow + rowOffset);
}

void StorePath(Telephone& t, int rowOffset, char mark) {
    if (!t.lines.linesFull) CurrentCell(t, rowOffset) = mark;
}

void NextDigitValue(Telephone& t) {
    if (t.digitValue >= 9) return;
    STMT(t.digitValue = static_cast<int16_t>(t.digitValue + 1));
    STMT(t.pathCol = static_cast<int16_t>(t.pathCol + 1));
    STMT(Colour(CurrentCell(t, 0) != ' ' ? kHighlight : kYellow));
    PrintAt(t.pathRow + 11, t.pathCol + 2, RtString(1, kPathStep));
    Tune(t, "L50O5a", nullptr);
    StorePath(t, 0, kPathStep);
}

void PreviousDigitValue(Telephone& t) {
    if (t.digitValue < 1) return;
    STMT(t.digitValue = static_cast<int16_t>(t.digitValue - 1));
    StorePath(t, 0, ' ');
    STMT(t.pathCol = static_cast<int16_t>(t.pathCol - 1));
    PrintAt(t.pathRow + 11, t.pathCol + 3, RtString(1, kShaded));
    Tune(t, "L50O2b", nullptr);
}

void DialDigit(Telephone& t) {
    const int16_t pulses = t.digitValue == 0 ? 10 : t.digitValue;
    const char corner = t.digitValue == 0 ? kPathBranch : kPathCorner;
    END_STATEMENT;
    STMT(Colour(6));
    PrintAt(7, 14 + t.dialPos, RtString(1, kShaded));
    STMT(t.dialPos = 0);
    for (int16_t pulse = 1; pulse <= pulses; ++pulse) {
        Tune(t, "L50O0aP30", "P25");
        if (t.dialPos >= 4) {
            STMT(Colour(6));
            PrintAt(7, 10 + t.dialPos, RtString(1, kShaded));
        }
        STMT(Colour(kYellow));
        PrintAt(7, 14 + t.dialPos, RtString(1, kFullBlock));
        STMT(t.dialPos = static_cast<int16_t>(t.dialPos + 4));
    }
    STMT(t.dialPos = static_cast<int16_t>(t.dialPos - 4));

    STMT(t.digitCount = static_cast<int16_t>(t.digitCount + 1));
    STMT(t.displayCol = static_cast<int16_t>(t.displayCol + t.displayStep));
    const RtString separator = t.digitCount == 3 || t.digitCount == 5 ? "-" : "";
    END_STATEMENT;
    STMT(t.displayStep = t.displayCol == 3 || t.displayCol == 6 ? 2 : 1);
    PrintAt(3, 32 + t.displayCol, separator + Trimmed(t.digitValue));

    StorePath(t, 0, corner);
    PrintAt(t.pathRow + 11, t.pathCol + 4, Num_ToText(t.digitValue) + " ");
    STMT(t.dialledNumber += Trimmed(t.digitValue));
    STMT(t.dialledSum = static_cast<int16_t>(t.dialledSum + t.digitValue));

    STMT(Colour(CurrentCell(t, 1) != ' ' ? kHighlight : kYellow));
    PrintAt(t.pathRow + 11, t.pathCol + 2, RtString(1, corner));
    STMT(t.digitValue = 0);
    PrintAt(t.pathRow + 12, t.pathCol + 2, RtString(1, kPathDown));
    StorePath(t, 1, kPathDown);
    PrintAt(t.pathRow + 13, t.pathCol + 2, RtString(1, kPathBranch));
    StorePath(t, 2, kPathBranch);
    STMT(t.pathRow = static_cast<int16_t>(t.pathRow + 2));
}

// ---- Browsing the stored lines during a notice ------------------------------------------------

void Browse(Telephone& t, int direction) {
    TelephoneLines& l = t.lines;
    PrintAt(27, 24, Str_Space(31));
    STMT(Lines_BrowseStep(l, direction));
    STMT(l.browseColour = static_cast<int16_t>(Num_RoundToInt(Num_Rnd() * 10.0)));

    const int16_t selected = l.selectedLine;
    const int16_t width = l.lineSums.at(static_cast<size_t>(selected));
    END_STATEMENT;
    for (int row = 1; row <= kPathRows; ++row) {
        for (int column = 1; column <= width; ++column) {
            const char cell = l.PathCell(selected, column, row);
            if (cell == ' ') {
                STMT(Colour(l.browseColour));
                PrintAt(row + 11, column + 2, RtString(1, kShaded));
            } else {
                STMT(Colour(l.browseColour + 5));
                PrintAt(row + 11, column + 2, RtString(1, cell));
            }
        }
    }
    for (int row = 1; row <= kPathRows; ++row) {
        STMT(Colour(2));
        PrintAt(row + 11, width + 3, Chars(55 - width, kShaded));
    }

    const int16_t previous = l.previousSelected;
    END_STATEMENT;
    if (l.browseStarted) {
        STMT(Colour(kYellow));
        PrintAt(previous + 12, 61,
                kNumberMark + ShownNumber(l.lineNumbers.at(static_cast<size_t>(previous))));
    }
    STMT(Colour(10));
    PrintAt(selected + 12, 61,
            kNumberMark + ShownNumber(l.lineNumbers.at(static_cast<size_t>(selected))));

    if (l.browseStarted) {
        STMT(PutPicture(8 * l.lineSums.at(static_cast<size_t>(previous)) + 11, kTelephoneY,
                        t.pictures.Get("spaz.grh"), kPutOverwrite));
    } else {
        STMT(PutPicture(8 * t.targetSum, kTelephoneY, t.pictures.Get("spaz.grh"), kPutOverwrite));
    }
    STMT(PutPicture(8 * width + 11, kTelephoneY, t.pictures.Get("tel.grh"), kPutOverwrite));
    STMT(l.browseStarted = true);

    STMT(Colour(10));
    PrintAt(27, 3, "Numero di telefono di:");
    STMT(Colour(kYellow));
    STMT(Scr_Print(LineNameText(t, selected), false));
}

// ---- Conversations ------------------------------------------------------------------------------

void PrintPieces(const TextPieces& pieces) {
    for (const TextPiece& piece : pieces) {
        if (piece.colour != 0) STMT(Colour(piece.colour));
        PrintAt(piece.row, piece.column, piece.text);
    }
}

// Waits for one key, polling, so that every turn ends with the statement check.
void WaitForKey() {
    RtString key;
    END_STATEMENT;
    do {
        STMT(key = Kbd_Inkey());
    } while (key.empty());
}

// The conversation box and the portrait of whoever answered.
void OpenConversation(Telephone& t, bool culprit, int16_t line) {
    PrintAt(12, 3, FrameLine(kTopLeft, 53, kTopRight));
    for (int row = 13; row <= 23; ++row) PrintAt(row, 3, Boxed(53));
    PrintAt(24, 3, FrameLine(kBottomLeft, 53, kBottomRight));
    PrintAt(24, t.targetSum + 2, RtString(1, kLineTop));
    STMT(PutPicture(206, 190, t.pictures.Get("corni.grh"), kPutOverwrite));

    const Witness& witness = t.witnesses.at(static_cast<size_t>(line));
    RtString sexLetter = Str_Right(witness.firstName, 1);
    RtString hair = witness.hair;
    RtString eyes = witness.eyes;
    END_STATEMENT;
    if (culprit) {
        const Suspect& s = t.suspects.at(static_cast<size_t>(t.culpritIndex));
        STMT(sexLetter = "o");
        STMT(PutPicture(208, 190, t.pictures.Get("factri.grh"), kPutExclusiveOr));
        STMT(hair = s.hair);
        STMT(eyes = s.eyes);
    } else {
        STMT(PutPicture(208, 190, t.pictures.Get("faccia.grh"), kPutExclusiveOr));
    }
    const HairPicture picture = PortraitHair(hair, sexLetter == "a");
    PictureBuffer* hairBuffer = t.pictures.Find(picture.file);
    END_STATEMENT;
    if (hairBuffer != nullptr) STMT(PutPicture(208, picture.y, *hairBuffer, kPutExclusiveOr));
    STMT(Colour(PortraitEyeColour(eyes)));
    for (int32_t x : {221, 224, 235, 238}) {
        STMT(Scr_Line(static_cast<float>(x), 202, static_cast<float>(x + 1), 202, 0, kShapeLine, 0,
                      kLineFirstGiven));
    }
}

void Confession(Telephone& t) {
    const Suspect& culprit = t.suspects.at(static_cast<size_t>(t.culpritIndex));
    STMT(Colour(kYellow));
    PrintPieces(ConfessionOpening(culprit));
    PrintAt(3, 50, Chars(22, '-'));
    if (t.soundOff != 0) Pause("P1");
    PrintPieces(ConfessionClosing());
    if (t.soundOff == 0) {
        STMT(Snd_PlayFile("scoperto.ogg", 0, 0, 0));
        for (int32_t pitch : SirenPitches()) STMT(Snd_Tone(pitch, 0.5));
    }
    WaitForKey();
    STMT(t.timedOut = 0);
}

void WitnessTalks(Telephone& t, int16_t k) {
    const Witness& witness = t.witnesses.at(static_cast<size_t>(k));
    const RandomDraw draw = DrawRandom;
    ClueChoice choice = ChooseClueKind(t.memory, k, draw);
    END_STATEMENT;
    const int16_t hour = ClockHours(WallClockText());
    END_STATEMENT;
    if (t.soundOff == 0) STMT(Snd_PlayFile("telibero.ogg", 0, 0, 0));
    const RtString greeting = Greeting(hour);
    END_STATEMENT;
    STMT(Colour(kYellow));
    PrintPieces(WitnessIntroduction(witness, greeting));
    STMT(DrawReliability(choice, t.memory, k, draw));
    const TextPieces clue = ClueText(
        choice.kind, ClueInvented(choice.reliability), t.suspects, t.culpritIndex, t.culpritNumber,
        t.memory.daysAgo.at(static_cast<size_t>(k)), Str_Right(witness.firstName, 1), draw);
    END_STATEMENT;
    PrintPieces(clue);
    STMT(Colour(kFactColour));
    Tune(t, "L20O4ac", nullptr);
    PrintAt(23, 6, Farewell(witness));
    WaitForKey();

    STMT(t.commsCount = static_cast<int16_t>(t.commsCount + 1));
    PrintAt(24, 75, Trimmed(t.commsCount));
    PrintAt(7, 76, " ");
    STMT(t.dialledSum = 0);
    if (t.lines.NoticeShowing()) PrintAt(12, 61, Str_Space(14));
}

void BusySignals(Telephone& t, int count) {
    for (int signal = 0; signal < count; ++signal) {
        PrintAt(7, 76, RtString(1, kShaded));
        Tune(t, "O2L10a", "P10");
        PrintAt(7, 76, " ");
        Pause("P10");
    }
}

// ---- The outcome of an attempt ------------------------------------------------------------------

enum class PassEnd : uint8_t { NextPass, Redraw, GameOver };

PassEnd DecideOutcome(Telephone& t);

// The outcome of a complete attempt, marked as going on for the replay driver's state.
PassEnd DecideCall(Telephone& t) {
    t.callInProgress = true;
    const PassEnd end = DecideOutcome(t);
    t.callInProgress = false;
    return end;
}

PassEnd DecideOutcome(Telephone& t) {
    TelephoneLines& l = t.lines;
    const RtString number = t.dialledNumber;
    const bool noticeShowing = l.NoticeShowing();
    const bool culprit = number == t.culpritNumber;
    const bool nonexistent =
        Call_IsNonexistent(l, number, t.culpritNumber, t.dialledSum, t.targetSum);
    END_STATEMENT;

    if (nonexistent) {
        PrintAt(3, 50, "  Numero inesistente!! ");
        for (int signal = 0; signal < 5; ++signal) Tune(t, "L10O0aP16", "P5");
        if (!l.linesFull) STMT(Lines_BlankPath(l, t.targetSum));
    }
    if (l.linesFull && !noticeShowing) {
        STMT(l.freeRoll = 0);
        STMT(l.freeNumber.clear());
        STMT(t.dialledSum = 0);
    }

    if (Call_IsAnswered(l, number, t.culpritNumber, nonexistent)) {
        const bool newNumber = Call_IsNewAnswered(l);
        END_STATEMENT;
        if (newNumber) STMT(Lines_TakeAnsweredNew(l, number, t.dialledSum));
        PrintAt(3, 50, "    Numero libero !!!   ");
        const RtString name = culprit ? CulpritNameText(t) : LineNameText(t, l.selectedLine);
        END_STATEMENT;
        if (t.soundOff == 0) {
            for (int32_t frequency_hz = 38; frequency_hz <= 4838; frequency_hz += 400) {
                STMT(Snd_Tone(frequency_hz, 0.5));
            }
            Pause("P1");
        }
        PrintAt(27, 3, "Numero di telefono di:");
        STMT(Scr_Print(name, false));
        for (int ring = 0; ring < 3; ++ring) {
            PrintAt(7, 76, " ");
            Tune(t, "L2O2a", "P2");
            PrintAt(7, 76, RtString(1, kFullBlock));
            Pause("P1");
        }
        PrintAt(7, 76, " ");
        // The new number's row in the busy list is that of the line it took.
        if (newNumber) PrintAt(l.selectedLine + 12, 61, kNumberMark + ShownNumber(number));
        PrintAt(27, 3, Str_Space(55));
        OpenConversation(t, culprit, l.selectedLine);
        if (culprit) {
            Confession(t);
            return PassEnd::GameOver;
        }
        WitnessTalks(t, l.selectedLine);
    } else {
        if (!noticeShowing && t.dialledSum == t.targetSum) {
            PrintAt(3, 50, "    Numero occupato!!  ");
            PrintAt(27, 3, "Numero di telefono di:");
            STMT(Colour(11));
            STMT(Scr_Print(LineNameText(t, l.currentLine), false));
            BusySignals(t, 10);
            STMT(Lines_StoreOnCurrent(l, number, t.dialledSum));
            STMT(Colour(kYellow));
            PrintAt(l.currentLine + 11, 61, kNumberMark + ShownNumber(number));
        }
        PrintAt(27, 3, Str_Space(55));
        if (Call_IsBusyStoredLine(l)) {
            PrintAt(3, 50, "    Numero occupato!!   ");
            BusySignals(t, 5);
        }
    }

    PrintAt(3, 50, Str_Space(24));
    STMT(PutPicture(8 * t.targetSum + 11, kTelephoneY, t.pictures.Get("spaz.grh"), kPutOverwrite));
    PrintAt(12, 61, Str_Space(14));
    if (noticeShowing) STMT(Lines_EndNotice(l, t.culpritNumber));
    STMT(t.dialledNumber.clear());
    return PassEnd::NextPass;
}

// ---- One pass of the main loop ------------------------------------------------------------------

PassEnd KeyLoop(Telephone& t) {
    for (;;) {
        STMT(Colour(kYellow));
        const RtString clockText = WallClockText();
        END_STATEMENT;
        STMT(t.resultTime = GameClock_Update(t.clock, ClockMinutes(clockText),
                                             ClockSeconds(clockText), t.playMinutes));
        PrintAt(26, 73, Num_ToText(t.clock.remaining) + " ");
        if (t.clock.remaining < 1) {
            TimeOut(t);
            return PassEnd::GameOver;
        }

        RtString key;
        END_STATEMENT;
        if (t.firstKeyTaken != 0) {
            STMT(key = Kbd_Inkey());
        } else {
            STMT(key = t.waitingKey);
        }
        STMT(t.firstKeyTaken = 1);

        const uint8_t c = key.empty() ? 0 : static_cast<uint8_t>(key.back());
        const bool notice = t.lines.NoticeShowing();
        const bool numberStart = t.pathRow == 1 && t.digitValue == 0;
        END_STATEMENT;
        switch (c) {
            case 'H':
                if (notice && numberStart) Browse(t, -1);
                break;
            case 'P':
                if (notice && numberStart) Browse(t, +1);
                break;
            case 'M':
                if (!notice) NextDigitValue(t);
                break;
            case 'K':
            case 8:
                if (!notice) PreviousDigitValue(t);
                break;
            case 13:
                if (notice) return DecideCall(t);
                if (numberStart) {
                    Tune(t, "L30O0a", nullptr);
                } else {
                    DialDigit(t);
                    if (t.pathRow == 13) return DecideCall(t);
                }
                break;
            case ';':
                STMT(t.soundOff = 0);
                break;
            case '<':
                STMT(t.soundOff = 1);
                break;
            case '>': {
                SuspectListPictures pictures;
                pictures.face = t.pictures.Find("faccia.grh");
                pictures.frame = t.pictures.Find("corni.grh");
                for (size_t i = 0; i < kHairColourCount; ++i) {
                    pictures.menHair[i] = t.pictures.Find(kMenHairFiles[i]);
                }
                END_STATEMENT;
                STMT(ShowSuspectList(t.suspects, pictures));
                // The redrawn screen shows no notice, so none stays in force behind it.
                if (notice) STMT(Lines_EndNotice(t.lines, t.culpritNumber));
                return PassEnd::Redraw;
            }
            case 27:
                EndProgram();
            default:
                break;
        }
        PrintAt(7, 65, Trimmed(t.digitValue));
    }
}

PassEnd MainLoopPass(Telephone& t) {
    STMT(Colour(6));
    PrintAt(7, 14 + t.dialPos, RtString(1, kShaded));
    PrintAt(3, 33, Str_Space(8));

    STMT(t.panelColour = static_cast<int16_t>(DrawRandom(9, 1)));
    STMT(Lines_Roll(t.lines, DrawRandom));
    if (t.firstPass) {
        STMT(t.culpritNumber = DrawCulpritNumber());
        STMT(t.lines.freeNumber = t.culpritNumber);
    }
    if (Lines_NoticeDue(t.lines)) ShowNotice(t);
    if (t.firstPass) {
        STMT(t.targetSum = DigitSum(t.culpritNumber));
        STMT(t.firstPass = false);
    }
    STMT(Lines_Bound(t.lines));
    DrawPanel(t);

    // A fresh attempt: nothing chosen, nothing dialled.
    STMT(t.pathRow = 1);
    STMT(t.displayStep = 1);
    STMT(t.digitValue = t.pathCol = t.dialPos = t.digitCount = t.displayCol = 0);
    STMT(t.firstKeyTaken = 0);
    STMT(t.dialledNumber.clear());
    STMT(t.dialledSum = 0);
    STMT(Colour(kYellow));

    // During a notice there is no dialling tone, and no earlier key acts again.
    if (!t.lines.NoticeShowing()) {
        STMT(t.waitingKey = WaitingTone(t));
    } else {
        STMT(t.waitingKey.clear());
    }
    return KeyLoop(t);
}

}  // namespace

void PlayGame(Witnesses& witnesses, Suspects& suspects, int16_t& culpritIndex, int16_t& soundOff,
              int16_t& playMinutes, RtString& resultTime, int16_t& qualifyingTime,
              int16_t& timedOut) {
    Telephone t(witnesses, suspects, culpritIndex, soundOff, playMinutes, resultTime, timedOut);
    END_STATEMENT;
    const ScopedScreenFields<Telephone> published(g_telephone, t, WriteTelephoneFields);
    STMT(ReadQualifyingTime(qualifyingTime));
    STMT(t.clock.startMinute = ClockMinutes(WallClockText()));
    t.pictures.Load();

    for (;;) {
        DrawScreen(t);
        PassEnd end = PassEnd::NextPass;
        END_STATEMENT;
        while (end == PassEnd::NextPass) end = MainLoopPass(t);
        if (end == PassEnd::GameOver) return;
    }
}

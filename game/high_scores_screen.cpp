// ShowHighScores: the five best times in their border, the new player's name typed on screen,
// the new time ranked in, tempo.max rewritten and the new list shown.
#include <string>

#include "errors.h"
#include "files.h"
#include "game_observer.h"
#include "game_state.h"
#include "high_scores_place.h"
#include "high_scores_table.h"
#include "keyboard.h"
#include "pictures.h"
#include "screen.h"
#include "screen_statements.h"

namespace {

constexpr int32_t kScoresMode = 7;
constexpr int64_t kYellow = 14;
constexpr int64_t kLightRed = 12;

// The name prompt's row; once the name is entered, a table that could not be saved says so
// there, over the prompt (both 24 columns wide).
constexpr int16_t kPromptRow = 18;
constexpr int16_t kPromptColumn = 9;
constexpr const char* kNotSavedText = "Classifica non salvata!!";

// The border tile stands every 40 pixels along three rows and every 24 pixels down both sides.
constexpr int32_t kTileStepX = 40;
constexpr int32_t kLastTileX = 280;
constexpr int32_t kTileRows[] = {1, 97, 169};
constexpr int32_t kFirstSideY = 25;
constexpr int32_t kLastSideY = 145;
constexpr int32_t kTileStepY = 24;

constexpr int16_t kMinutesColumn = kMinutesWordColumn;
constexpr int kErasedWidth = 26;

// The screen's own values while it runs, published for the replay driver. The pointer is the
// program thread's, like the observer it serves.
struct ScoresFields {
    const NameEntry* entry = nullptr;
    const int16_t* newTime = nullptr;
};
const ScoresFields* g_scores_fields = nullptr;

void WriteScoresFields(std::string& json) {
    if (g_scores_fields == nullptr) return;
    json += ", \"typedName\": " + Game_JsonText(g_scores_fields->entry->typedName);
    json += ", \"typedCount\": " + std::to_string(g_scores_fields->entry->typedCount);
    json += ", \"newTime\": " + std::to_string(*g_scores_fields->newTime);
}

void DrawBorder(PictureBuffer& frameTile) {
    for (int32_t y : kTileRows) {
        for (int32_t x = 0; x <= kLastTileX; x += kTileStepX) {
            STMT(PutPicture(x, y, frameTile, kPutOverwrite));
        }
    }
    for (int32_t y = kFirstSideY; y <= kLastSideY; y += kTileStepY) {
        STMT(PutPicture(0, y, frameTile, kPutOverwrite));
        STMT(PutPicture(kLastTileX, y, frameTile, kPutOverwrite));
    }
}

// Place w of the list as read from the file: the time stands where its length puts it, so a
// three-digit time starts one column further right.
void PrintReadPlace(int w, const RtString& name, const RtString& time) {
    const ListedTime listed = ListTime(time);
    END_STATEMENT;
    STMT(Colour(ListColour(w)));
    STMT(Locate(ListRow(w), kListColumn));
    STMT(Scr_Print(PlaceText(static_cast<int16_t>(w)) + name, false);
         Scr_Print(Scr_Tab(listed.column), false);
         Scr_Print(listed.minutes + "," + listed.seconds, false);
         Scr_Print(Scr_Tab(kMinutesColumn), false); Scr_Print("Minuti", true));
}

// Place w of the rewritten list: its old line erased, then the four-digit time from column 22.
void PrintRewrittenPlace(int w, const RtString& name, const RtString& time) {
    PrintLineAt(ListRow(w), kListColumn, RtString(kErasedWidth, ' '));
    STMT(Colour(ListColour(w)));
    STMT(Locate(ListRow(w), kListColumn));
    STMT(Scr_Print(PlaceText(static_cast<int16_t>(w)) + name, false);
         Scr_Print(Scr_Tab(kRewrittenTimeColumn), false); Scr_Print(RewrittenTimeText(time), false);
         Scr_Print(Scr_Tab(kMinutesColumn), false); Scr_Print("Minuti", true));
}

// The name entry on row 20: "_" marks where the next character goes; a dot again where one is
// taken back. Returns when Enter is pressed.
void EnterName(NameEntry& entry) {
    for (;;) {
        NameKeyOutcome outcome;
        uint8_t key = 0;
        END_STATEMENT;
        do {
            PrintLineAt(kNameRow, NameCursorColumn(entry), "_");
            // An extended key arrives as the byte 0, which the entry ignores.
            STMT(const RtString typed = Kbd_ReadChars(1);
                 key = typed.empty() ? 0 : static_cast<uint8_t>(typed[0]));
            STMT(outcome = NameEntry_TakeKey(entry, key));
            if (outcome.action == NameKeyAction::EraseLast) {
                PrintLineAt(kNameRow, outcome.column, ".");
            }
        } while (outcome.action != NameKeyAction::Show && outcome.action != NameKeyAction::Finish);
        if (outcome.action == NameKeyAction::Finish) break;
        // Shown in any case; a twelfth and later character is not kept and is covered by the
        // cursor at once.
        PrintLineAt(kNameRow, outcome.column, RtString(1, static_cast<char>(key)));
    }
    PrintLineAt(kNameRow, NameCursorColumn(entry), ".");
}

}  // namespace

void ShowHighScores(const RtString& resultTime) {
    PictureBuffer frameTile(kTileWords);
    END_STATEMENT;
    STMT(LoadPicture("cor.grh", frameTile));
    int16_t newTime = 0;
    END_STATEMENT;
    STMT(newTime = NewTimeFromResult(resultTime));

    HighScoreTable table;
    NameEntry entry;
    const ScoresFields fields{&entry, &newTime};
    const ScopedScreenFields<ScoresFields> published(g_scores_fields, fields, WriteScoresFields);
    END_STATEMENT;

    STMT(Scr_Cls(0, 0, 0));
    STMT(Scr_SetMode(kScoresMode, 0, 0, 0, 1));
    DrawBorder(frameTile);

    STMT(Colour(kYellow));
    PrintLineAt(5, 12, "Primi cinque posti:");
    PrintLineAt(kPromptRow, kPromptColumn, " Inserisci il tuo nome: ");
    PrintLineAt(kNameRow, kNameFirstColumn + 1, RtString(kNameMaxLength, '.'));

    STMT(File_Open(HighScores_PathToRead(), FileMode::Input, FileAccess::ByMode, FileLock::None,
                   kHighScoreFileNumber));
    for (int w = 1; w <= kHighScorePlaces; ++w) {
        const auto place = static_cast<size_t>(w);
        ReadHighScoreRecord(table.names[place], table.times[place]);
        PrintReadPlace(w, table.names[place], table.times[place]);
    }
    STMT(File_Close(kHighScoreFileNumber));

    EnterName(entry);

    STMT(table.names[6] = entry.typedName);
    STMT(table.times[6] = Int16NumberText(newTime));
    STMT(SortHighScores(table));

    // Output goes to a file beside tempo.max that replaces it only when closed whole, so a
    // failure on the way leaves the old table as it was. A table that cannot be opened or
    // written shows one error box, and the new list is then marked as not saved.
    bool opened = false;
    STMT(opened = OpenHighScoresForWriting());
    bool saved = opened;
    for (int w = 1; w <= kHighScorePlaces; ++w) {
        const auto place = static_cast<size_t>(w);
        STMT(table.times[place] = FourDigitTime(table.times[place]));
        if (saved) saved = WriteHighScoreRecord(table.names[place], table.times[place]);
        PrintRewrittenPlace(w, table.names[place], table.times[place]);
    }
    if (opened) STMT(File_Close(kHighScoreFileNumber); saved = saved && !Err_IsPending());
    if (!saved) {
        STMT(Colour(kLightRed));
        PrintLineAt(kPromptRow, kPromptColumn, kNotSavedText);
    }
    STMT(Kbd_ReadChars(1));
}

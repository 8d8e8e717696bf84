// ShowSuspectList: the table of the ten suspects and their photographs composed of hair,
// frame and face, with the eyes in their colour.
#include "suspect_list.h"

#include "errors.h"
#include "graphics.h"
#include "keyboard.h"
#include "screen.h"
#include "screen_statements.h"
#include "strings_ops.h"

namespace {

constexpr int64_t kLightGreen = 10;
constexpr int64_t kLightCyan = 11;
constexpr int64_t kYellow = 14;

// The table's lines are built from the places of its dividers, so that every line has the
// same 80 columns: dividers in columns 1, 13, 25, 35, 41, 51, 62, 73 and 80.
RtString TableLine(char left, char fill, char middle, char right) {
    constexpr std::array<int, 9> kDividers = {1, 13, 25, 35, 41, 51, 62, 73, 80};
    RtString line(80, fill);
    for (size_t i = 0; i < kDividers.size(); ++i) {
        const char c = i == 0 ? left : (i + 1 == kDividers.size() ? right : middle);
        line[static_cast<size_t>(kDividers[i] - 1)] = c;
    }
    return line;
}

}  // namespace

HairLook SuspectList_HairLook(const RtString& hair) {
    if (hair == "leggermente brizzolati") return {"leg.briz.", 7};
    if (hair == "castano chiaro") return {"cas.chia.", 9};
    if (hair == "brizzolati") return {"brizzol.", 4};
    if (hair == "biondo scuro") return {"bi.scuro", 8};
    if (hair == "biondi") return {"biondi", 0};
    if (hair == "rossi") return {"rossi", 1};
    if (hair == "castani") return {"castani", 2};
    if (hair == "neri") return {"neri", 3};
    if (hair == "bianchi") return {"bianchi", 5};
    if (hair == "calvo") return {"calvo", 6};
    return {"", -1};
}

EyeLook SuspectList_EyeLook(const RtString& eyes) {
    if (eyes == "castano chiaro") return {"c.chiaro", 14};
    if (eyes == "castano scuro") return {"c.scuro", 6};
    if (eyes == "blu") return {"blu", 1};
    if (eyes == "verde chiaro") return {"v.chiaro", 10};
    if (eyes == "azzurro chiaro") return {"a.chiaro", 11};
    if (eyes == "azzurri") return {"azzurri", 3};
    if (eyes == "neri") return {"neri", 0};
    if (eyes == "verdi") return {"verdi", 2};
    if (eyes == "castani") return {"castani", 6};
    if (eyes == "grigi") return {"grigi", 7};
    return {"", 0};
}

void ShowSuspectList(const Suspects& suspects, const SuspectListPictures& pictures) {
    STMT(Scr_Cls(0, 0, 0));
    PrintLineAt(2, 32, "Elenco sospetti:");

    const RtString emptyRow = TableLine('\xBA', ' ', '\xBA', '\xBA');
    END_STATEMENT;
    PrintLineAt(4, 1, TableLine('\xC9', '\xCD', '\xCB', '\xBB'));
    PrintLineAt(5, 1, emptyRow);
    PrintLineAt(6, 1, TableLine('\xCC', '\xCD', '\xCE', '\xB9'));
    // Each line fills its row, so printing it with a line break moves down one row only.
    for (int row = 7; row <= 27; ++row) STMT(Scr_Print(emptyRow, true));
    STMT(Scr_Print(TableLine('\xC8', '\xCD', '\xCA', '\xBC'), true));

    STMT(Colour(kLightCyan));
    PrintLineAt(5, 5, "NOME");
    PrintLineAt(5, 16, "COGNOME");
    PrintLineAt(5, 28, "CITTA'");
    PrintLineAt(5, 37, "ETA'");
    PrintLineAt(5, 43, "ALTEZZA");
    PrintLineAt(5, 54, "CAPELLI");
    PrintLineAt(5, 65, "OCCHI");
    PrintLineAt(5, 75, "FOTO");

    for (size_t i = 1; i <= 10; ++i) {
        const Suspect& s = suspects[i];
        const int64_t row = 6 + 2 * static_cast<int64_t>(i);
        const int32_t top = 32 * static_cast<int32_t>(i) + 66;
        END_STATEMENT;
        STMT(Colour(kLightGreen));
        PrintLineAt(row, 3, s.firstName);
        PrintLineAt(row, 15, s.surname);
        STMT(Colour(kLightCyan));
        PrintLineAt(row, 27, s.city);
        PrintLineAt(row, 36, s.age);
        STMT(Colour(kYellow));
        PrintLineAt(row, 43, "1," + s.height + " m.");
        STMT(Colour(kLightGreen));

        // Hair: the picture first, the face and frame are combined over it.
        const HairLook hair = SuspectList_HairLook(s.hair);
        END_STATEMENT;
        if (hair.pictureIndex >= 0) {
            STMT(PutPicture(587, top, *pictures.menHair[static_cast<size_t>(hair.pictureIndex)],
                            kPutOverwrite));
            PrintLineAt(row, 53, hair.shortText);
        } else {
            // Not one of the game's hair colours: shown as it is, without a hair picture.
            PrintLineAt(row, 53, s.hair);
        }

        const EyeLook eyes = SuspectList_EyeLook(s.eyes);
        END_STATEMENT;
        // An eye colour the game does not know is shown as it is.
        PrintLineAt(row, 64, *eyes.shortText != '\0' ? RtString(eyes.shortText) : s.eyes);

        STMT(PutPicture(585, top, *pictures.frame, kPutExclusiveOr));
        STMT(PutPicture(587, top, *pictures.face, kPutExclusiveOr));

        STMT(Colour(eyes.colour));
        for (const int32_t x : {600, 603, 614, 617}) {
            STMT(Scr_Line(static_cast<float>(x), static_cast<float>(top + 12),
                          static_cast<float>(x + 1), static_cast<float>(top + 12), 0, kShapeLine, 0,
                          kLineFirstGiven));
        }
    }

    RtString key;
    END_STATEMENT;
    while (key.empty()) STMT(key = Kbd_Inkey());
}

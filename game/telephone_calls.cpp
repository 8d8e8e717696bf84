// The words of a telephone conversation: greeting, introduction, clues and confession.
#include "telephone_calls.h"

#include "numbers.h"
#include "strings_ops.h"

namespace {

// Code page 437 letters with accents.
constexpr const char* kAGrave = "\x85";  // à
constexpr const char* kEGrave = "\x8A";  // è
constexpr const char* kEAcute = "\x82";  // é

constexpr int16_t kRetirementAge = 60;
constexpr int kProfessionCut = 22;
constexpr int kRetiredProfessionCut = 20;

void Sentence(TextPieces& pieces, int16_t row, int16_t column, const RtString& text) {
    pieces.push_back({row, column, kSentenceColour, text});
}
void Fact(TextPieces& pieces, int16_t row, int16_t column, const RtString& text) {
    pieces.push_back({row, column, kFactColour, text});
}

const Suspect& SuspectAt(const Suspects& suspects, int32_t index) {
    return suspects.at(static_cast<size_t>(index));
}

RtString Initials(const Suspect& person) {
    return Str_Left(person.firstName, 1) + ". e " + Str_Left(person.surname, 1) + ".";
}

}  // namespace

RtString Greeting(int16_t hour) {
    return hour >= 1 && hour < 14 ? "Buongiorno," : "Buonasera,";
}

TextPieces WitnessIntroduction(const Witness& witness, const RtString& greeting) {
    TextPieces pieces;
    const RtString sexLetter = Str_Right(witness.firstName, 1);
    pieces.push_back({15, 5, 0,
                      greeting + " sono " + witness.firstName + " " + witness.surname + " di " +
                          witness.city + "."});
    RtString line = "Ho" + witness.age + " anni";
    if (Num_FromText(witness.age) < kRetirementAge) {
        line += witness.profession == "disoccupato"
                    ? RtString(",sono ")
                    : RtString(",la mia attivit") + kAGrave + " " + kEGrave + " ";
        line += Str_Left(witness.profession, kProfessionCut) + ".";
        pieces.push_back({16, 5, 0, line});
    } else {
        line += RtString(",la mia attivit") + kAGrave + " era " +
                Str_Left(witness.profession, kRetiredProfessionCut) + ".";
        pieces.push_back({16, 5, 0, line});
        pieces.push_back(
            {17, 5, 0,
             RtString("Adesso sono ") + (sexLetter == "a" ? "pensionata" : "pensionato") + "."});
    }
    return pieces;
}

ClueChoice ChooseClueKind(WitnessMemory& memory, int16_t witness, const RandomDraw& draw) {
    ClueChoice choice;
    const auto k = static_cast<size_t>(witness);
    if (memory.clueKind.at(k) == 0) {
        choice.kind = static_cast<int16_t>(draw(kClueKinds, 1));
        memory.daysAgo.at(k) = static_cast<int16_t>(draw(20, 1));
        choice.first = true;
    } else {
        choice.kind = memory.clueKind.at(k);
        choice.reliability = 1;
    }
    return choice;
}

void DrawReliability(ClueChoice& choice, WitnessMemory& memory, int16_t witness,
                     const RandomDraw& draw) {
    if (!choice.first) return;
    choice.reliability = static_cast<int16_t>(draw(9, 1));
    memory.clueKind.at(static_cast<size_t>(witness)) = choice.kind;
}

TextPieces ClueText(int16_t kind, bool invented, const Suspects& suspects, int16_t culpritIndex,
                    const RtString& culpritNumber, int16_t daysAgo, const RtString& sexLetter,
                    const RandomDraw& draw) {
    TextPieces sentences;
    TextPieces facts;
    const Suspect& culprit = SuspectAt(suspects, culpritIndex);
    switch (kind) {
        case 1: {
            Sentence(sentences, 18, 5, "Ho scoperto che il nome del colpevole");
            Sentence(sentences, 19, 5, "inizia con la lettera ");
            Sentence(sentences, 20, 5, "IL suo numero di telefono ");
            Sentence(sentences, 21, 5, "dovrebbe iniziare col numero ");
            if (invented) {
                const int32_t a = draw(10, 1);
                const int32_t b = draw(9, 1);
                Fact(facts, 19, 27, Str_Left(SuspectAt(suspects, a).firstName, 1) + ".");
                Fact(facts, 21, 34, Str_Mid("1234567890", b, 1) + ".");
            } else {
                Fact(facts, 19, 27, Str_Left(culprit.firstName, 1) + ".");
                Fact(facts, 21, 34, Str_Left(culpritNumber, 1) + ".");
            }
            break;
        }
        case 2: {
            Sentence(sentences, 18, 5, "Sono certo che il colpevole ha gli occhi");
            if (sexLetter == "a") Sentence(sentences, 18, 14, "a");
            Sentence(sentences, 20, 5, RtString("La sua et") + kAGrave + " " + kEGrave);
            if (invented) {
                const int32_t a = draw(10, 1);
                const int32_t g = draw(60, 20);
                Fact(facts, 19, 5, SuspectAt(suspects, a).eyes);
                Fact(facts, 20, 17, Num_ToText(g) + " " + "anni.");
            } else {
                Fact(facts, 19, 5, culprit.eyes);
                Fact(facts, 20, 17, culprit.age + " anni.");
            }
            break;
        }
        case 3: {
            Sentence(sentences, 18, 5, "Ho scoperto che il cognome del colpevole");
            Sentence(sentences, 19, 5, "inizia con la lettera");
            Sentence(sentences, 20, 5, "Le cifre finali del suo numero di");
            Sentence(sentences, 21, 5, "telefono sono");
            if (invented) {
                const int32_t a = draw(10, 1);
                const int32_t d = draw(10, 0);
                const int32_t e = draw(10, 0);
                Fact(facts, 19, 27, Str_Left(SuspectAt(suspects, a).surname, 1));
                Fact(facts, 21, 18, Num_ToText(d) + " " + "e" + Num_ToText(e) + ".");
            } else {
                Fact(facts, 19, 27, Str_Left(culprit.surname, 1));
                Fact(facts, 21, 19,
                     Str_Mid(culpritNumber, 5, 1) + " e " + Str_Mid(culpritNumber, 6, 1) + ".");
            }
            break;
        }
        case 4: {
            Sentence(sentences, 18, 5, RtString("Il colpevole ") + kEGrave + " di");
            Sentence(sentences, 19, 5, RtString("Secondo me ") + kEGrave + " alto");
            if (invented) {
                const int32_t a = draw(10, 1);
                const int32_t b = draw(10, 1);
                Fact(facts, 18, 23, SuspectAt(suspects, a).city + ".");
                Fact(facts, 19, 23, "1 metro e " + SuspectAt(suspects, b).height + ".");
            } else {
                Fact(facts, 18, 23, culprit.city + ".");
                Fact(facts, 19, 23, "1 metro e " + culprit.height + ".");
            }
            break;
        }
        case 5: {
            const Suspect* subject = &culprit;
            int32_t n = 0;
            if (invented) {
                subject = &SuspectAt(suspects, draw(10, 1));
                n = draw(898, 101);
            }
            const bool bald = subject->hair == "calvo";
            Sentence(sentences, 18, 5,
                     "Ho visto il colpevole" + Num_ToText(daysAgo) + " " + "giorni fa, egli");
            if (daysAgo == 1) Sentence(sentences, 18, 34, "o");
            Sentence(sentences, 19, 5, bald ? RtString(kEGrave) : RtString("ha i capelli"));
            Sentence(sentences, 20, 5, "Le prime tre cifre del suo numero di");
            Sentence(sentences, 21, 5, "telefono sono");
            Fact(facts, 19, bald ? 7 : 18, subject->hair + ".");
            if (invented) {
                Fact(facts, 21, 19, "-" + Num_ToText(n) + " " + "-");
            } else {
                Fact(facts, 21, 19, "- " + Str_Left(culpritNumber, 3) + " -");
            }
            break;
        }
        case 6: {
            Sentence(sentences, 18, 5, "Ho saputo che le iniziali del colpevole sono:");
            Sentence(sentences, 20, 5, "La somma delle ultime tre cifre del suo");
            Sentence(sentences, 21, 5, RtString("numero di telefono ") + kEAcute);
            if (invented) {
                const int32_t a = draw(10, 1);
                const int32_t s = draw(15, 9);
                Fact(facts, 19, 5, Initials(SuspectAt(suspects, a)));
                Fact(facts, 21, 25, Num_ToText(s) + ".");
            } else {
                Fact(facts, 19, 5, Initials(culprit));
                Fact(facts, 21, 25, Num_ToText(DigitSum(Str_Right(culpritNumber, 3))) + ".");
            }
            break;
        }
        default:
            break;
    }
    sentences.insert(sentences.end(), facts.begin(), facts.end());
    return sentences;
}

RtString Farewell(const Witness& witness) {
    return "--- Distinti saluti da " + witness.firstName + " " + witness.surname + " ---";
}

TextPieces ConfessionOpening(const Suspect& culprit) {
    return {
        {15, 5, kSentenceColour,
         "Salve, sono " + culprit.firstName + " " + culprit.surname + " di " + culprit.city},
        {16, 5, 0, "Mi avete scoperto.....sono rovinato!!!.."},
        {17, 5, 0, RtString("Per me ") + kEGrave + " la fine!!!" + RtString(21, '.')},
    };
}

TextPieces ConfessionClosing() {
    return {
        {20, 5, 0, "--- altro che Distinti Saluti ---"},
        {21, 5, 0,
         "--- andate a fa....!!!?"
         "?!!!!?"
         "?!!? ---"},
    };
}

std::vector<int32_t> SirenPitches() {
    std::vector<int32_t> pitches;
    int32_t pitch = 0;
    int32_t step = 100;
    for (int tone = 0; tone < 20; ++tone) {
        pitch += step;
        if (pitch == 700) step = -100;
        if (pitch == 100) step = 100;
        pitches.push_back(pitch);
    }
    return pitches;
}

HairPicture PortraitHair(const RtString& hair, bool woman) {
    struct Row {
        const char* hair;
        HairPicture man;
        HairPicture woman;
    };
    static const Row kRows[] = {
        {"biondi", {"capbi.grh", 190}, {"capbid.grh", 190}},
        {"rossi", {"capro.grh", 190}, {"caprod.grh", 191}},
        {"castani", {"capcas.grh", 190}, {"capcasd.grh", 191}},
        {"neri", {"capner.grh", 190}, {"capnerd.grh", 191}},
        {"brizzolati", {"capbri.grh", 190}, {"capbrid.grh", 190}},
        {"bianchi", {"capbia.grh", 190}, {"capbiad.grh", 191}},
        {"leggermente brizzolati", {"legbri.grh", 190}, {"legbrid.grh", 190}},
        {"biondo scuro", {"bioscu.grh", 190}, {"bioscud.grh", 190}},
        {"castano chiaro", {"cachi.grh", 190}, {"cachid.grh", 190}},
        {"calvo", {"calvo.grh", 190}, {"capbrid.grh", 190}},
    };
    for (const Row& row : kRows) {
        if (hair == row.hair) return woman ? row.woman : row.man;
    }
    return {};
}

int16_t PortraitEyeColour(const RtString& eyes) {
    struct Row {
        const char* eyes;
        int16_t colour;
    };
    static const Row kRows[] = {
        {"azzurri", 3},       {"neri", 0},          {"verdi", 2},
        {"castani", 6},       {"grigi", 7},         {"castano chiaro", 14},
        {"blu", 1},           {"verde chiaro", 10}, {"azzurro chiaro", 11},
        {"castano scuro", 6},
    };
    for (const Row& row : kRows) {
        if (eyes == row.eyes) return row.colour;
    }
    return 0;
}

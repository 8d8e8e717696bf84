// What the people on the telephone say: greeting, introduction, the six clue kinds true and
// invented for men and women, repeated witnesses, the confession and the portrait parts.
#include <gtest/gtest.h>

#include "phone_test_support.h"
#include "telephone_calls.h"

namespace {

using Asked = std::vector<std::pair<int32_t, int32_t>>;

Witness MakeWitness(const char* first, const char* age, const char* profession) {
    Witness w;
    w.firstName = first;
    w.surname = "Rossi";
    w.city = "Roma";
    w.hair = "neri";
    w.eyes = "verdi";
    w.age = age;
    w.profession = profession;
    return w;
}

Suspects MakeSuspects() {
    Suspects s;
    for (size_t i = 1; i <= 10; ++i) {
        s[i].firstName = std::string(1, static_cast<char>('A' + i - 1)) + "ngelo";
        s[i].surname = std::string(1, static_cast<char>('K' + i - 1)) + "ori";
        s[i].city = "Citta" + std::to_string(i);
        s[i].hair = i == 4 ? "calvo" : "castani";
        s[i].eyes = "occhi" + std::to_string(i);
        s[i].age = " " + std::to_string(40 + i);
        s[i].height = std::to_string(60 + i);
    }
    return s;
}

std::string At(const TextPieces& pieces, int row, int column, int colour = -1) {
    for (const TextPiece& p : pieces) {
        if (p.row == row && p.column == column && (colour < 0 || p.colour == colour)) return p.text;
    }
    return "<none>";
}

TEST(PhoneGreeting, ChangesAtOneAndAtFourteen) {
    EXPECT_EQ(Greeting(0), "Buonasera,");  // at 00:30
    EXPECT_EQ(Greeting(1), "Buongiorno,");
    EXPECT_EQ(Greeting(13), "Buongiorno,");
    EXPECT_EQ(Greeting(14), "Buonasera,");
    EXPECT_EQ(Greeting(23), "Buonasera,");
}

TEST(PhoneIntroduction, WorkingManWithTheProfessionCutAt22) {
    const TextPieces p =
        WitnessIntroduction(MakeWitness("Mario", " 45", "Insegnante di Matematica"), "Buongiorno,");
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(At(p, 15, 5), "Buongiorno, sono Mario Rossi di Roma.");
    EXPECT_EQ(At(p, 16, 5), "Ho 45 anni,la mia attivit\x85 \x8A Insegnante di Matemati.");
}

TEST(PhoneIntroduction, UnemployedSaysSono) {
    const TextPieces p =
        WitnessIntroduction(MakeWitness("Carlo", " 59", "disoccupato"), "Buonasera,");
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(At(p, 16, 5), "Ho 59 anni,sono disoccupato.");
}

TEST(PhoneIntroduction, RetiredFromSixtyWithTheCutAt20) {
    TextPieces p =
        WitnessIntroduction(MakeWitness("Maria", " 60", "Insegnante di Matematica"), "Buonasera,");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(At(p, 16, 5), "Ho 60 anni,la mia attivit\x85 era Insegnante di Matema.");
    EXPECT_EQ(At(p, 17, 5), "Adesso sono pensionata.");
    // Retired whatever the profession, "disoccupato" included.
    p = WitnessIntroduction(MakeWitness("Sergio", " 68", "disoccupato"), "Buonasera,");
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(At(p, 16, 5), "Ho 68 anni,la mia attivit\x85 era disoccupato.");
    EXPECT_EQ(At(p, 17, 5), "Adesso sono pensionato.");
}

TEST(PhoneClueKind, FirstConversationDrawsKindDaysAndReliability) {
    WitnessMemory memory;
    ScriptedDraws draws;
    draws.results = {5, 1, 7};
    ClueChoice choice = ChooseClueKind(memory, 3, draws.Draw());
    EXPECT_EQ(choice.kind, 5);
    EXPECT_TRUE(choice.first);
    EXPECT_EQ(memory.daysAgo[3], 1);
    EXPECT_EQ(memory.clueKind[3], 0);  // remembered only after the introduction
    DrawReliability(choice, memory, 3, draws.Draw());
    EXPECT_EQ(choice.reliability, 7);
    EXPECT_TRUE(ClueInvented(choice.reliability));
    EXPECT_EQ(memory.clueKind[3], 5);
    EXPECT_EQ(draws.asked, (Asked{{6, 1}, {20, 1}, {9, 1}}));

    // Called again: the same kind, no draws, and always the truth.
    draws.asked.clear();
    choice = ChooseClueKind(memory, 3, draws.Draw());
    DrawReliability(choice, memory, 3, draws.Draw());
    EXPECT_EQ(choice.kind, 5);
    EXPECT_EQ(choice.reliability, 1);
    EXPECT_FALSE(ClueInvented(choice.reliability));
    EXPECT_TRUE(draws.asked.empty());
    EXPECT_FALSE(ClueInvented(6));
}

constexpr const char* kNumber = "726031";

TEST(PhoneClues, KindOneTrueAndInvented) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(1, false, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Ho scoperto che il nome del colpevole");
    EXPECT_EQ(At(p, 19, 5, 14), "inizia con la lettera ");
    EXPECT_EQ(At(p, 20, 5, 14), "IL suo numero di telefono ");
    EXPECT_EQ(At(p, 21, 5, 14), "dovrebbe iniziare col numero ");
    EXPECT_EQ(At(p, 19, 27, 10), "B.");
    EXPECT_EQ(At(p, 21, 34, 10), "7.");
    EXPECT_TRUE(draws.asked.empty());
    // Facts come after every sentence line.
    EXPECT_EQ(p[4].colour, 10);
    draws.results = {5, 9};
    p = ClueText(1, true, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {9, 1}}));
    EXPECT_EQ(At(p, 19, 27, 10), "E.");
    EXPECT_EQ(At(p, 21, 34, 10), "9.");
}

TEST(PhoneClues, KindTwoForAManAndAWoman) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(2, false, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Sono certo che il colpevole ha gli occhi");
    EXPECT_EQ(At(p, 18, 14), "<none>");
    EXPECT_EQ(At(p, 20, 5, 14), "La sua et\x85 \x8A");
    EXPECT_EQ(At(p, 19, 5, 10), "occhi2");
    EXPECT_EQ(At(p, 20, 17, 10), " 42 anni.");
    draws.results = {7, 79};
    p = ClueText(2, true, s, 2, kNumber, 4, "a", draws.Draw());
    EXPECT_EQ(At(p, 18, 14, 14), "a");  // Sono certa
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {60, 20}}));
    EXPECT_EQ(At(p, 19, 5, 10), "occhi7");
    EXPECT_EQ(At(p, 20, 17, 10), " 79 anni.");
}

TEST(PhoneClues, KindThreeTrueAndInvented) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(3, false, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Ho scoperto che il cognome del colpevole");
    EXPECT_EQ(At(p, 19, 5, 14), "inizia con la lettera");
    EXPECT_EQ(At(p, 20, 5, 14), "Le cifre finali del suo numero di");
    EXPECT_EQ(At(p, 21, 5, 14), "telefono sono");
    EXPECT_EQ(At(p, 19, 27, 10), "L");
    EXPECT_EQ(At(p, 21, 19, 10), "3 e 1.");
    draws.results = {3, 0, 8};
    p = ClueText(3, true, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {10, 0}, {10, 0}}));
    EXPECT_EQ(At(p, 19, 27, 10), "M");
    EXPECT_EQ(At(p, 21, 18, 10), " 0 e 8.");
}

TEST(PhoneClues, KindFourTrueAndInvented) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(4, false, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Il colpevole \x8A di");
    EXPECT_EQ(At(p, 19, 5, 14), "Secondo me \x8A alto");
    EXPECT_EQ(At(p, 18, 23, 10), "Citta2.");
    EXPECT_EQ(At(p, 19, 23, 10), "1 metro e 62.");
    draws.results = {9, 10};
    p = ClueText(4, true, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {10, 1}}));
    EXPECT_EQ(At(p, 18, 23, 10), "Citta9.");
    EXPECT_EQ(At(p, 19, 23, 10), "1 metro e 70.");
}

TEST(PhoneClues, KindFiveDaysHairAndFirstDigits) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(5, false, s, 2, kNumber, 12, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Ho visto il colpevole 12 giorni fa, egli");
    EXPECT_EQ(At(p, 18, 34), "<none>");
    EXPECT_EQ(At(p, 19, 5, 14), "ha i capelli");
    EXPECT_EQ(At(p, 20, 5, 14), "Le prime tre cifre del suo numero di");
    EXPECT_EQ(At(p, 21, 5, 14), "telefono sono");
    EXPECT_EQ(At(p, 19, 18, 10), "castani.");
    EXPECT_EQ(At(p, 21, 19, 10), "- 726 -");
    // One day ago, and a bald subject drawn before the hair phrase is chosen.
    draws.results = {4, 998};
    p = ClueText(5, true, s, 2, kNumber, 1, "o", draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {898, 101}}));
    EXPECT_EQ(At(p, 18, 5, 14), "Ho visto il colpevole 1 giorni fa, egli");
    EXPECT_EQ(At(p, 18, 34, 14), "o");
    EXPECT_EQ(At(p, 19, 5, 14), "\x8A");
    EXPECT_EQ(At(p, 19, 7, 10), "calvo.");
    EXPECT_EQ(At(p, 21, 19, 10), "- 998 -");
}

TEST(PhoneClues, KindSixInitialsAndLastDigitsSum) {
    const Suspects s = MakeSuspects();
    ScriptedDraws draws;
    TextPieces p = ClueText(6, false, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(At(p, 18, 5, 14), "Ho saputo che le iniziali del colpevole sono:");
    EXPECT_EQ(At(p, 20, 5, 14), "La somma delle ultime tre cifre del suo");
    EXPECT_EQ(At(p, 21, 5, 14), "numero di telefono \x82");
    EXPECT_EQ(At(p, 19, 5, 10), "B. e L.");
    EXPECT_EQ(At(p, 21, 25, 10), " 4.");
    draws.results = {10, 23};
    p = ClueText(6, true, s, 2, kNumber, 4, "o", draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{10, 1}, {15, 9}}));
    EXPECT_EQ(At(p, 19, 5, 10), "J. e T.");
    EXPECT_EQ(At(p, 21, 25, 10), " 23.");
}

TEST(PhoneConfession, WordsAndSiren) {
    Suspect culprit;
    culprit.firstName = "Luigi";
    culprit.surname = "Livigni";
    culprit.city = "Venezia";
    const TextPieces open = ConfessionOpening(culprit);
    EXPECT_EQ(At(open, 15, 5, 14), "Salve, sono Luigi Livigni di Venezia");
    EXPECT_EQ(At(open, 16, 5), "Mi avete scoperto.....sono rovinato!!!..");
    EXPECT_EQ(At(open, 17, 5), "Per me \x8A la fine!!!.....................");
    const TextPieces close = ConfessionClosing();
    EXPECT_EQ(At(close, 20, 5), "--- altro che Distinti Saluti ---");
    EXPECT_EQ(At(close, 21, 5),
              "--- andate a fa....!!!?"
              "?!!!!?"
              "?!!? ---");
    const std::vector<int32_t> expected = {100, 200, 300, 400, 500, 600, 700, 600, 500, 400,
                                           300, 200, 100, 200, 300, 400, 500, 600, 700, 600};
    EXPECT_EQ(SirenPitches(), expected);
    EXPECT_EQ(Farewell(MakeWitness("Anna", " 30", "Avvocato")),
              "--- Distinti saluti da Anna Rossi ---");
}

TEST(PhonePortrait, HairPicturesAndEyeColours) {
    EXPECT_STREQ(PortraitHair("calvo", false).file, "calvo.grh");
    EXPECT_STREQ(PortraitHair("calvo", true).file, "capbrid.grh");
    EXPECT_EQ(PortraitHair("rossi", true).y, 191);
    EXPECT_EQ(PortraitHair("rossi", false).y, 190);
    EXPECT_STREQ(PortraitHair("castano chiaro", true).file, "cachid.grh");
    EXPECT_EQ(PortraitHair("bianchi", true).y, 191);
    EXPECT_EQ(PortraitHair("biondi", true).y, 190);
    EXPECT_EQ(PortraitEyeColour("azzurri"), 3);
    EXPECT_EQ(PortraitEyeColour("castano chiaro"), 14);
    EXPECT_EQ(PortraitEyeColour("castano scuro"), 6);
    EXPECT_EQ(PortraitEyeColour("neri"), 0);
}

}  // namespace

// Case generation: the name list, the draws of a case for fixed seeds, and its invariants.
#include "case_generation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "errors.h"
#include "numbers.h"
#include "shared_words.h"

namespace {

// The tables as the game's documentation lists them, written out again here so that the test
// does not read them back from the code it checks. "\x8D" is the i with a grave accent.
const std::vector<std::vector<std::string>> kTables = {
    {"Bari", "Venezia", "Pisa", "Napoli", "Torino", "Trieste", "Palermo", "Roma", "Genova",
     "Firenze", "Milano", "Bologna", "Perugia", "Siena", "Catania"},
    {"Antonio", "Carlo", "Maurizio", "Giuseppe", "Sergio", "Corrado", "Roberto", "Mario", "Paola",
     "Anna", "Marina", "Cinzia", "Rosalba", "Maria", "Patrizia"},
    {"Bianchi", "Rossi", "Orlando", "Rivelli", "Fiorentino", "Giglio", "Rizzi", "Basile",
     "De Rienzo", "Martelli", "Mazzi", "Cataldo", "D'av\x8D", "Franchi", "Canino"},
    {"Verona", "Milano", "Torino", "Trieste", "Firenze", "Roma", "Cagliari", "Palermo", "Bologna",
     "Genova", "Napoli", "Bari", "Venezia", "Pescara", "Perugia"},
    {"Angelo", "Vincenzo",  "Marcello", "Giovanni", "Enrico",   "Nicola",   "Francesco",
     "Davide", "Fulvio",    "Blasco",   "Renato",   "Filippo",  "Annibale", "Giuseppe",
     "Mario",  "Ferruccio", "Luigi",    "Andrea",   "Pasquale", "Salvatore"},
    {"Mistretta", "Lori",      "Cerri",   "Nicosia",  "Trevi",   "Livigni", "Valli",
     "Mancuso",   "Bozzi",     "Passeri", "Buscetta", "Martino", "Lago",    "Billeci",
     "Salice",    "Di Maggio", "Cuppari", "Vitale",   "Lori",    "Leone"},
    {"Milano",  "Rovigo",  "Roma",    "Salerno", "Foggia",  "Catania", "Ravenna",
     "Novara",  "Orvieto", "Verona",  "Cuneo",   "Cremona", "Bologna", "Napoli",
     "Palermo", "Asti",    "Firenze", "Aosta",   "Torino",  "Venezia"},
    {"biondi", "rossi", "castani", "neri", "brizzolati", "bianchi", "calvo",
     "leggermente brizzolati", "biondo scuro", "castano chiaro"},
    {"azzurri", "neri", "verdi", "castani", "castano chiaro", "blu", "grigi", "verde chiaro",
     "azzurro chiaro", "castano scuro"},
    {"Insegnante di Francese",
     "Insegnante di disegno",
     "Insegnante di fisica",
     "Insegnante di Musica",
     "Insegnante di Matematica",
     "Insegnante di Italiano",
     "Insegnante di Inglese",
     "Insegnante di sostegno",
     "Avvocato",
     "Medico dentista",
     "Ingegnere navale",
     "Ingegnere edile",
     "Ingegnere eletronico",
     "Medico generico",
     "Imprenditore edile",
     "Imprenditore artistico",
     "Medico chirurgo",
     "Ragioniere",
     "Falegname",
     "Operatore ecologico",
     "Fruttivendolo",
     "Pescivendolo",
     "Elettricista",
     "Meccanico",
     "Imbianchino",
     "Poliziotto",
     "Carabiniere",
     "Vigile del fuoco",
     "Architetto",
     "Ceramista",
     "disoccupato",
     "Fotografo",
     "Muratore"},
};
enum Table { kBank, kWName, kWSurname, kWCity, kSName, kSSurname, kSCity, kHair, kEyes, kJob };

// The generator again, from its constants: seed' = (seed * 0xFD43FD + 0xC39EC3) mod 2^24, and
// INT(RND * n) + k is the whole part of seed' * n / 2^24 (exact in integers).
struct ModelGenerator {
    uint32_t seed;
    int Draw(int n, int k) {
        seed = static_cast<uint32_t>((uint64_t{seed} * 0xFD43FDu + 0xC39EC3u) & 0xFFFFFFu);
        return static_cast<int>((uint64_t{seed} * static_cast<uint64_t>(n)) >> 24) + k;
    }
    const std::string& Pick(Table table, int n) {
        return kTables[table][static_cast<size_t>(Draw(n, 1) - 1)];
    }
};

std::string TwoDigitsWithBlank(int value) {
    return " " + std::to_string(value);
}

std::string ModelAge(ModelGenerator& g, const std::string& hair) {
    int low = 20;
    int count = 20;
    if (hair == "bianchi") low = 60, count = 10;
    if (hair == "calvo") low = 40, count = 30;
    if (hair == "brizzolati") low = 50, count = 20;
    if (hair == "leggermente brizzolati") low = 45, count = 25;
    return TwoDigitsWithBlank(g.Draw(count, low));
}

struct ModelCase {
    int culprit = 0;
    int bankCity = 0;
    int sum = 0;
    // No "{}" after the nested arrays of strings: clang 14 crashes on that initialiser, and
    // every string starts empty by its own constructor anyway.
    std::array<std::array<std::string, 7>, 11> witnesses;
    std::array<std::array<std::string, 7>, 11> suspects;
    std::string number;
};

ModelCase ModelFor(uint32_t seed) {
    ModelGenerator g{seed};
    ModelCase c;
    c.culprit = g.Draw(10, 1);
    c.bankCity = g.Draw(15, 1);
    c.sum = g.Draw(89, 10);
    for (size_t i = 1; i <= 10; ++i) {
        auto& w = c.witnesses[i];
        w[0] = g.Pick(kWName, 15);
        w[1] = g.Pick(kWSurname, 15);
        w[2] = g.Pick(kWCity, 15);
        w[3] = g.Pick(kHair, 10);
        w[4] = g.Pick(kEyes, 10);
        w[6] = g.Pick(kJob, w[0].back() == 'a' ? 10 : 33);
        w[5] = ModelAge(g, w[3]);
    }
    for (size_t i = 1; i <= 10; ++i) {
        auto& s = c.suspects[i];
        s[0] = g.Pick(kSName, 20);
        s[1] = g.Pick(kSSurname, 20);
        s[2] = g.Pick(kSCity, 20);
        s[3] = g.Pick(kHair, 10);
        s[4] = g.Pick(kEyes, 10);
        s[6] = std::to_string(g.Draw(59, 40));
        s[5] = ModelAge(g, s[3]);
    }
    c.number = std::to_string(g.Draw(459999, 400000));
    return c;
}

// One case made by the game's code from a seed: steps 1 to 3 without the seeding.
struct GameCase {
    BankCities bankCities{};
    int16_t culprit = 0;
    int16_t bankCity = 0;
    int16_t sum = 0;
    Witnesses witnesses{};
    Suspects suspects{};
    RtString number;
};

GameCase RunGame(uint32_t seed) {
    GameCase c;
    Num_SetRndSeed(seed);
    DrawCaseStart(c.bankCities, c.culprit, c.bankCity, c.sum);
    GenerateCase(c.witnesses, c.suspects);
    c.number = DrawCulpritNumber();
    return c;
}

std::array<std::string, 7> Fields(const Witness& w) {
    return {w.firstName, w.surname, w.city, w.hair, w.eyes, w.age, w.profession};
}
std::array<std::string, 7> Fields(const Suspect& s) {
    return {s.firstName, s.surname, s.city, s.hair, s.eyes, s.age, s.height};
}

class CaseGeneration : public testing::Test {
  protected:
    void SetUp() override {
        Err_Reset();
        Rt_Words().checkRequest = 0;
        Num_ResetRndSeed();
    }
    void TearDown() override {
        EXPECT_EQ(Err_Pending(), 0u);
        Err_Reset();
        Rt_Words().checkRequest = 0;
        Num_ResetRndSeed();
    }
};

TEST_F(CaseGeneration, TheNameListHoldsTheTablesInOrderAsQuotedItems) {
    std::string joined;
    size_t count = 0;
    for (const auto& table : kTables) {
        for (const auto& item : table) {
            joined += (joined.empty() ? "\"" : ",\"") + item + "\"";
            ++count;
        }
    }
    EXPECT_EQ(count, 173u);
    EXPECT_EQ(joined.size(), 1955u);
    EXPECT_EQ(std::string(kNameList), joined);
    EXPECT_EQ(kNameListItems, 173);
}

TEST_F(CaseGeneration, ReadingTakesTheItemsOneByOneAndEndsWithError4) {
    NameList_Restore();
    for (const auto& table : kTables) {
        for (const auto& item : table) EXPECT_EQ(NameList_Read(), item);
    }
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(NameList_Read(), "");
    EXPECT_EQ(Err_Pending(), 4u);
    Err_Reset();
    Rt_Words().checkRequest = 0;
    // After a restore the list reads again from its first item.
    NameList_Restore();
    EXPECT_EQ(NameList_Read(), "Bari");
    EXPECT_EQ(NameList_Read(), "Venezia");
}

TEST_F(CaseGeneration, FromTheInitialSeedTheFirstDrawsAreKnown) {
    // 0.7055475, 0.5334240, 0.5795186 times 10, 15 and 89.
    BankCities cities{};
    int16_t culprit = 0, bank = 0, sum = 0;
    DrawCaseStart(cities, culprit, bank, sum);
    EXPECT_EQ(culprit, 8);
    EXPECT_EQ(bank, 9);
    EXPECT_EQ(sum, 61);
    EXPECT_EQ(cities[9], "Genova");
    EXPECT_EQ(cities[1], "Bari");
    EXPECT_EQ(cities[15], "Catania");
    EXPECT_EQ(cities[0], "");
}

TEST_F(CaseGeneration, FixedSeedsGiveTheCaseTheGeneratorDescribes) {
    for (uint32_t seed : {327680u, 0u, 1u, 0x3FF000u, 0xFFFFFFu, 123456u, 8388608u, 0xABCDEFu}) {
        SCOPED_TRACE(seed);
        const ModelCase want = ModelFor(seed);
        const GameCase got = RunGame(seed);
        EXPECT_EQ(got.culprit, want.culprit);
        EXPECT_EQ(got.bankCity, want.bankCity);
        EXPECT_EQ(got.sum, want.sum);
        for (size_t i = 1; i <= 15; ++i) EXPECT_EQ(got.bankCities[i], kTables[kBank][i - 1]);
        for (size_t i = 1; i <= 10; ++i) {
            EXPECT_EQ(Fields(got.witnesses[i]), want.witnesses[i]) << "witness " << i;
            EXPECT_EQ(Fields(got.suspects[i]), want.suspects[i]) << "suspect " << i;
        }
        EXPECT_EQ(got.number, want.number);
        EXPECT_EQ(Fields(got.witnesses[0]), (std::array<std::string, 7>{}));
        EXPECT_EQ(Fields(got.suspects[0]), (std::array<std::string, 7>{}));
    }
}

TEST_F(CaseGeneration, TheCaseOfTheInitialSeedWrittenOut) {
    // Worked out by hand from the recurrence, as a check on the model above as well.
    const GameCase c = RunGame(327680u);
    EXPECT_EQ(Fields(c.witnesses[1]),
              (std::array<std::string, 7>{"Sergio", "Fiorentino", "Bari", "biondi", "verde chiaro",
                                          " 34", "Carabiniere"}));
    EXPECT_EQ(Fields(c.witnesses[10]),
              (std::array<std::string, 7>{"Maurizio", "De Rienzo", "Milano", "brizzolati",
                                          "castano scuro", " 65", "Avvocato"}));
    EXPECT_EQ(Fields(c.suspects[1]), (std::array<std::string, 7>{"Davide", "Livigni", "Torino",
                                                                 "calvo", "grigi", " 42", "65"}));
    EXPECT_EQ(Fields(c.suspects[10]), (std::array<std::string, 7>{"Pasquale", "Buscetta", "Rovigo",
                                                                  "leggermente brizzolati",
                                                                  "castano chiaro", " 57", "67"}));
    EXPECT_EQ(c.number, "495508");
}

TEST_F(CaseGeneration, ACaseUses141DrawsInAll) {
    // 3 at the start, 7 per witness and per suspect, 1 for the number.
    RunGame(4242u);
    uint32_t seed = 4242u;
    for (int i = 0; i < 3 + 70 + 70 + 1; ++i) seed = (seed * 0xFD43FDu + 0xC39EC3u) & 0xFFFFFFu;
    EXPECT_EQ(Num_RndSeed(), seed);
}

TEST_F(CaseGeneration, InvariantsHoldOverManySeeds) {
    const std::set<std::string> womensJobs(kTables[kJob].begin(), kTables[kJob].begin() + 10);
    std::set<int> culprits, sums, heights, bankCities;
    bool sawUnemployed = false;
    for (uint32_t n = 0; n < 3000; ++n) {
        const uint32_t seed = (n * 5591u + 17u) & 0xFFFFFFu;
        const GameCase c = RunGame(seed);
        ASSERT_GE(c.culprit, 1);
        ASSERT_LE(c.culprit, 10);
        ASSERT_GE(c.bankCity, 1);
        ASSERT_LE(c.bankCity, 15);
        ASSERT_GE(c.sum, 10);
        ASSERT_LE(c.sum, 98);
        culprits.insert(c.culprit);
        sums.insert(c.sum);
        bankCities.insert(c.bankCity);
        ASSERT_EQ(c.number.size(), 6u);
        const int number = std::stoi(c.number);
        ASSERT_GE(number, 400000);
        ASSERT_LE(number, 859998);
        auto checkAge = [](const std::string& hair, const std::string& age) {
            ASSERT_EQ(age.size(), 3u);
            ASSERT_EQ(age[0], ' ');
            const int years = std::stoi(age.substr(1));
            int low = 20, high = 39;
            if (hair == "bianchi") low = 60, high = 69;
            if (hair == "calvo") low = 40, high = 69;
            if (hair == "brizzolati") low = 50, high = 69;
            if (hair == "leggermente brizzolati") low = 45, high = 69;
            ASSERT_GE(years, low) << hair;
            ASSERT_LE(years, high) << hair;
        };
        for (size_t i = 1; i <= 10; ++i) {
            const Witness& w = c.witnesses[i];
            checkAge(w.hair, w.age);
            if (w.firstName.back() == 'a') {
                ASSERT_TRUE(womensJobs.count(w.profession)) << w.firstName << " " << w.profession;
            }
            if (w.profession == "disoccupato") sawUnemployed = true;
            const Suspect& s = c.suspects[i];
            checkAge(s.hair, s.age);
            ASSERT_EQ(s.height.size(), 2u);
            ASSERT_TRUE(s.height[0] >= '4' && s.height[0] <= '9');
            ASSERT_TRUE(s.height[1] >= '0' && s.height[1] <= '9');
            const int h = std::stoi(s.height);
            ASSERT_GE(h, 40);
            ASSERT_LE(h, 98);
            heights.insert(h);
        }
    }
    // Every value of each range turns up.
    EXPECT_EQ(culprits.size(), 10u);
    EXPECT_EQ(bankCities.size(), 15u);
    EXPECT_EQ(sums.size(), 89u);
    EXPECT_EQ(heights.size(), 59u);
    EXPECT_TRUE(sawUnemployed);
}

TEST_F(CaseGeneration, ASecondGameReadsTheSameTables) {
    const GameCase first = RunGame(99u);
    const GameCase second = RunGame(99u);
    EXPECT_EQ(first.bankCities, second.bankCities);
    for (size_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(Fields(first.witnesses[i]), Fields(second.witnesses[i]));
        EXPECT_EQ(Fields(first.suspects[i]), Fields(second.suspects[i]));
    }
    // A different seed after the same list: still the same bank cities.
    const GameCase third = RunGame(100u);
    EXPECT_EQ(first.bankCities, third.bankCities);
}

TEST_F(CaseGeneration, StartCaseSeedsFromTheTimer) {
    // The seed's upper 16 bits come from the timer's value; the low byte stays. Without a
    // clock seam the timer stands still at the start-up origin, so it can be read afterwards.
    Num_SetRndSeed(0x1234AB);
    BankCities cities{};
    int16_t culprit = 0, bank = 0, sum = 0;
    StartCase(cities, culprit, bank, sum);
    const float timer = Num_Timer();
    uint64_t bits = 0;
    const double asDouble = timer;
    std::memcpy(&bits, &asDouble, sizeof bits);
    const uint32_t high = static_cast<uint32_t>(bits >> 32);
    const uint32_t seed = (((high ^ (high >> 16)) & 0xFFFFu) << 8) | 0xABu;
    ModelGenerator g{seed};
    EXPECT_EQ(culprit, g.Draw(10, 1));
    EXPECT_EQ(bank, g.Draw(15, 1));
    EXPECT_EQ(sum, g.Draw(89, 10));
    EXPECT_EQ(cities[15], "Catania");
}

TEST_F(CaseGeneration, AgesFollowTheHairExactly) {
    // Bald: INT(RND * 30) + 40 from the next seed.
    Num_SetRndSeed(777u);
    ModelGenerator g{777u};
    EXPECT_EQ(DrawAgeForHair("calvo"), TwoDigitsWithBlank(g.Draw(30, 40)));
    EXPECT_EQ(DrawAgeForHair("bianchi"), TwoDigitsWithBlank(g.Draw(10, 60)));
    EXPECT_EQ(DrawAgeForHair("brizzolati"), TwoDigitsWithBlank(g.Draw(20, 50)));
    EXPECT_EQ(DrawAgeForHair("leggermente brizzolati"), TwoDigitsWithBlank(g.Draw(25, 45)));
    EXPECT_EQ(DrawAgeForHair("castani"), TwoDigitsWithBlank(g.Draw(20, 20)));
    EXPECT_EQ(DrawAgeForHair("biondo scuro"), TwoDigitsWithBlank(g.Draw(20, 20)));
}

TEST_F(CaseGeneration, TheLargestFractionNeverReachesTheNextWholeNumber) {
    // The draw whose seed becomes 2^24 - 1 gives the largest fraction: INT(RND * n) must stay
    // n - 1. The recurrence is a bijection on 24 bits, so exactly one seed leads there.
    uint32_t before = 0;
    for (uint32_t s = 0; s < (1u << 24); ++s) {
        if (((uint64_t{s} * 0xFD43FDu + 0xC39EC3u) & 0xFFFFFFu) == 0xFFFFFFu) {
            before = s;
            break;
        }
    }
    for (int n : {10, 15, 33, 59, 89, 459999}) {
        Num_SetRndSeed(before);
        EXPECT_EQ(DrawRandom(n, 0), n - 1) << n;
    }
}

}  // namespace

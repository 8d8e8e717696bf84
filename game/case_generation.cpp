// Case generation: the built-in name list, its read cursor, and the witnesses and suspects.
#include "case_generation.h"

#include <array>
#include <cmath>
#include <cstddef>

#include "errors.h"
#include "numbers.h"
#include "strings_ops.h"

// Code page 437 throughout: "\x8D" is the i with a grave accent.
const std::string_view kNameList =
    "\"Bari\",\"Venezia\",\"Pisa\",\"Napoli\",\"Torino\",\"Trieste\",\"Palermo\",\"Roma\","
    "\"Genova\",\"Firenze\",\"Milano\",\"Bologna\",\"Perugia\",\"Siena\",\"Catania\","
    "\"Antonio\",\"Carlo\",\"Maurizio\",\"Giuseppe\",\"Sergio\",\"Corrado\",\"Roberto\","
    "\"Mario\",\"Paola\",\"Anna\",\"Marina\",\"Cinzia\",\"Rosalba\",\"Maria\",\"Patrizia\","
    "\"Bianchi\",\"Rossi\",\"Orlando\",\"Rivelli\",\"Fiorentino\",\"Giglio\",\"Rizzi\","
    "\"Basile\",\"De Rienzo\",\"Martelli\",\"Mazzi\",\"Cataldo\",\"D'av\x8D\",\"Franchi\","
    "\"Canino\",\"Verona\",\"Milano\",\"Torino\",\"Trieste\",\"Firenze\",\"Roma\","
    "\"Cagliari\",\"Palermo\",\"Bologna\",\"Genova\",\"Napoli\",\"Bari\",\"Venezia\","
    "\"Pescara\",\"Perugia\",\"Angelo\",\"Vincenzo\",\"Marcello\",\"Giovanni\",\"Enrico\","
    "\"Nicola\",\"Francesco\",\"Davide\",\"Fulvio\",\"Blasco\",\"Renato\",\"Filippo\","
    "\"Annibale\",\"Giuseppe\",\"Mario\",\"Ferruccio\",\"Luigi\",\"Andrea\",\"Pasquale\","
    "\"Salvatore\",\"Mistretta\",\"Lori\",\"Cerri\",\"Nicosia\",\"Trevi\",\"Livigni\","
    "\"Valli\",\"Mancuso\",\"Bozzi\",\"Passeri\",\"Buscetta\",\"Martino\",\"Lago\","
    "\"Billeci\",\"Salice\",\"Di Maggio\",\"Cuppari\",\"Vitale\",\"Lori\",\"Leone\","
    "\"Milano\",\"Rovigo\",\"Roma\",\"Salerno\",\"Foggia\",\"Catania\",\"Ravenna\","
    "\"Novara\",\"Orvieto\",\"Verona\",\"Cuneo\",\"Cremona\",\"Bologna\",\"Napoli\","
    "\"Palermo\",\"Asti\",\"Firenze\",\"Aosta\",\"Torino\",\"Venezia\",\"biondi\",\"rossi\","
    "\"castani\",\"neri\",\"brizzolati\",\"bianchi\",\"calvo\",\"leggermente brizzolati\","
    "\"biondo scuro\",\"castano chiaro\",\"azzurri\",\"neri\",\"verdi\",\"castani\","
    "\"castano chiaro\",\"blu\",\"grigi\",\"verde chiaro\",\"azzurro chiaro\","
    "\"castano scuro\",\"Insegnante di Francese\",\"Insegnante di disegno\","
    "\"Insegnante di fisica\",\"Insegnante di Musica\",\"Insegnante di Matematica\","
    "\"Insegnante di Italiano\",\"Insegnante di Inglese\",\"Insegnante di sostegno\","
    "\"Avvocato\",\"Medico dentista\",\"Ingegnere navale\",\"Ingegnere edile\","
    "\"Ingegnere eletronico\",\"Medico generico\",\"Imprenditore edile\","
    "\"Imprenditore artistico\",\"Medico chirurgo\",\"Ragioniere\",\"Falegname\","
    "\"Operatore ecologico\",\"Fruttivendolo\",\"Pescivendolo\",\"Elettricista\","
    "\"Meccanico\",\"Imbianchino\",\"Poliziotto\",\"Carabiniere\",\"Vigile del fuoco\","
    "\"Architetto\",\"Ceramista\",\"disoccupato\",\"Fotografo\",\"Muratore\"";

namespace {

// The read cursor of the name list: the byte where the next item starts. Like the running
// program's other tables it is touched only by the program thread (the game's one thread).
size_t g_name_list_cursor = 0;

// Sizes of the tables read by the case generator, places 1 to n.
constexpr int kWitnessNameCount = 15;
constexpr int kSuspectNameCount = 20;
constexpr int kHairCount = 10;
constexpr int kEyeCount = 10;
constexpr int kProfessionCount = 33;
constexpr int kWomensProfessionCount = 10;
constexpr int kPeople = 10;

// Reads n items into places 1 to n of a table.
template <size_t Places>
void ReadTable(std::array<RtString, Places>& table, int n) {
    for (int i = 1; i <= n; ++i) {
        STMT(table[static_cast<size_t>(i)] = NameList_Read());
    }
}

// A table entry at a drawn index; the index comes from DrawRandom, so it lies in 1..n.
template <size_t Places>
const RtString& At(const std::array<RtString, Places>& table, int32_t index) {
    return table[static_cast<size_t>(index)];
}

}  // namespace

void NameList_Restore() {
    g_name_list_cursor = 0;
}

RtString NameList_Read() {
    if (Err_IsPending()) return RtString();
    size_t at = g_name_list_cursor;
    if (at >= kNameList.size() || kNameList[at] != '"') {
        Err_Raise(4);
        return RtString();
    }
    const size_t close = kNameList.find('"', at + 1);
    if (close == std::string_view::npos) {
        Err_Raise(4);
        return RtString();
    }
    RtString item(kNameList.substr(at + 1, close - at - 1));
    at = close + 1;
    if (at < kNameList.size() && kNameList[at] == ',') ++at;
    g_name_list_cursor = at;
    return item;
}

int32_t DrawRandom(int32_t n, int32_t k) {
    // The product of a 24-bit fraction and a small whole number is exact in the extended
    // float, so the whole part never rounds up to n.
    const ExtendedFloat scaled = static_cast<ExtendedFloat>(Num_Rnd()) * n;
    return static_cast<int32_t>(std::floor(scaled)) + k;
}

void DrawCaseStart(BankCities& bankCities, int16_t& culpritIndex, int16_t& bankCityNumber,
                   int16_t& stolenSum) {
    STMT(NameList_Restore());
    ReadTable(bankCities, kBankCityCount);
    STMT(culpritIndex = static_cast<int16_t>(DrawRandom(10, 1)));
    STMT(bankCityNumber = static_cast<int16_t>(DrawRandom(15, 1)));
    STMT(stolenSum = static_cast<int16_t>(DrawRandom(89, 10)));
}

void StartCase(BankCities& bankCities, int16_t& culpritIndex, int16_t& bankCityNumber,
               int16_t& stolenSum) {
    STMT(Num_Randomize(Num_Timer()));
    DrawCaseStart(bankCities, culpritIndex, bankCityNumber, stolenSum);
}

RtString DrawAgeForHair(const RtString& hair) {
    int32_t shift = 0;
    int32_t cut = 30;
    if (hair == "bianchi") {
        shift = 40;
        cut = 0;
    } else if (hair == "calvo") {
        shift = 20;
        cut = 0;
    } else if (hair == "brizzolati") {
        shift = 30;
        cut = 0;
    } else if (hair == "leggermente brizzolati") {
        shift = 25;
        cut = 0;
    }
    const int32_t age = DrawRandom(50 - shift - cut, 20 + shift);
    return Num_ToText(static_cast<int16_t>(age));
}

RtString DrawCulpritNumber() {
    const int32_t number = DrawRandom(459999, 400000);
    return Str_TrimLeft(Num_ToText(number));
}

void GenerateCase(Witnesses& witnesses, Suspects& suspects) {
    std::array<RtString, kWitnessNameCount + 1> witnessNames;
    std::array<RtString, kWitnessNameCount + 1> witnessSurnames;
    std::array<RtString, kWitnessNameCount + 1> witnessCities;
    std::array<RtString, kSuspectNameCount + 1> suspectNames;
    std::array<RtString, kSuspectNameCount + 1> suspectSurnames;
    std::array<RtString, kSuspectNameCount + 1> suspectCities;
    std::array<RtString, kHairCount + 1> hairColours;
    std::array<RtString, kEyeCount + 1> eyeColours;
    std::array<RtString, kProfessionCount + 1> professions;
    END_STATEMENT;

    ReadTable(witnessNames, kWitnessNameCount);
    ReadTable(witnessSurnames, kWitnessNameCount);
    ReadTable(witnessCities, kWitnessNameCount);
    ReadTable(suspectNames, kSuspectNameCount);
    ReadTable(suspectSurnames, kSuspectNameCount);
    ReadTable(suspectCities, kSuspectNameCount);
    ReadTable(hairColours, kHairCount);
    ReadTable(eyeColours, kEyeCount);
    ReadTable(professions, kProfessionCount);

    for (size_t i = 1; i <= kPeople; ++i) {
        Witness& w = witnesses[i];
        STMT(w.firstName = At(witnessNames, DrawRandom(kWitnessNameCount, 1)));
        STMT(w.surname = At(witnessSurnames, DrawRandom(kWitnessNameCount, 1)));
        STMT(w.city = At(witnessCities, DrawRandom(kWitnessNameCount, 1)));
        STMT(w.hair = At(hairColours, DrawRandom(kHairCount, 1)));
        STMT(w.eyes = At(eyeColours, DrawRandom(kEyeCount, 1)));
        // Women (first names ending in "a") have one of the first ten professions.
        if (Str_Right(w.firstName, 1) == "a") {
            STMT(w.profession = At(professions, DrawRandom(kWomensProfessionCount, 1)));
        } else {
            STMT(w.profession = At(professions, DrawRandom(kProfessionCount, 1)));
        }
        STMT(w.age = DrawAgeForHair(w.hair));
    }

    for (size_t i = 1; i <= kPeople; ++i) {
        Suspect& s = suspects[i];
        STMT(s.firstName = At(suspectNames, DrawRandom(kSuspectNameCount, 1)));
        STMT(s.surname = At(suspectSurnames, DrawRandom(kSuspectNameCount, 1)));
        STMT(s.city = At(suspectCities, DrawRandom(kSuspectNameCount, 1)));
        STMT(s.hair = At(hairColours, DrawRandom(kHairCount, 1)));
        STMT(s.eyes = At(eyeColours, DrawRandom(kEyeCount, 1)));
        STMT(s.height = Str_TrimLeft(Num_ToText(static_cast<int16_t>(DrawRandom(59, 40)))));
        STMT(s.age = DrawAgeForHair(s.hair));
    }
}

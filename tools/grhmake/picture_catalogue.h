// The game's 28 picture files with the buffer each one is loaded into.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace grh {

struct PictureEntry {
    std::string_view file_name;
    // Capacity of the game's buffer for this file, in 16-bit words.
    int buffer_words = 0;
    std::string_view role;
};

inline constexpr std::array<PictureEntry, 28> kPictures = {{
    {"tel2.grh", 600, "border tile of the instructions screen"},
    {"simgra.grh", 20000, "title picture of the instructions screen"},
    {"cor.grh", 600, "border tile of the high-score screen"},
    {"tel.grh", 600, "small telephone marking the dialling position"},
    {"lin.grh", 400, "piece of the line at the foot of the telephone screen"},
    {"spaz.grh", 600, "blank patch erasing the small telephone"},
    {"faccia.grh", 600, "face of a witness and of every suspect photograph"},
    {"factri.grh", 600, "face of the culprit"},
    {"corni.grh", 800, "portrait frame"},
    {"capbi.grh", 600, "hair biondi"},
    {"capro.grh", 600, "hair rossi"},
    {"capcas.grh", 600, "hair castani"},
    {"capner.grh", 600, "hair neri"},
    {"capbri.grh", 600, "hair brizzolati"},
    {"capbia.grh", 600, "hair bianchi"},
    {"calvo.grh", 600, "hair calvo (bald)"},
    {"legbri.grh", 600, "hair leggermente brizzolati"},
    {"bioscu.grh", 600, "hair biondo scuro"},
    {"cachi.grh", 600, "hair castano chiaro"},
    {"capbid.grh", 600, "woman's hair biondi"},
    {"caprod.grh", 600, "woman's hair rossi"},
    {"capcasd.grh", 600, "woman's hair castani"},
    {"capnerd.grh", 600, "woman's hair neri"},
    {"capbrid.grh", 600, "woman's hair brizzolati, also for calvo"},
    {"capbiad.grh", 600, "woman's hair bianchi"},
    {"legbrid.grh", 600, "woman's hair leggermente brizzolati"},
    {"bioscud.grh", 600, "woman's hair biondo scuro"},
    {"cachid.grh", 600, "woman's hair castano chiaro"},
}};

// The entry for a file name, or nullptr for a file the game does not load.
inline const PictureEntry* FindPicture(std::string_view file_name) {
    for (const PictureEntry& entry : kPictures) {
        if (entry.file_name == file_name) return &entry;
    }
    return nullptr;
}

}  // namespace grh

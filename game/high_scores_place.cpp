// Where the high-score table is kept: the game's folder when writable, else the player's copy.
#include "high_scores_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "files.h"
#include "files_os.h"
#include "high_scores_table.h"

namespace {

constexpr const char* kPlayerFolderName = "brunolt";

bool Exists(const std::string& path) {
    struct stat info {};
    return File_SystemCalls().Stat(path.c_str(), &info) == 0;
}

// Whether tempo.max in the working directory can take a new table, judged without writing.
bool WritableBesideTheGame() {
    FileSystemCalls& calls = File_SystemCalls();
    if (Exists(kHighScoreFile)) return calls.Access(kHighScoreFile, W_OK) == 0;
    return calls.Access(".", W_OK) == 0;
}

std::string PlayerCopy(const std::string& folder) {
    return folder + "/" + kHighScoreFile;
}

// Makes `folder` and every missing folder above it, private to the player as new data folders
// are. Failures are left for the open of the table to report.
void MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!Exists(part)) File_SystemCalls().MakeDirectory(part.c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

}  // namespace

std::string HighScores_PlayerFolder() {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home != nullptr && data_home[0] == '/') {
        return std::string(data_home) + "/" + kPlayerFolderName;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return {};
    return std::string(home) + "/.local/share/" + kPlayerFolderName;
}

std::string HighScores_PathToRead() {
    if (WritableBesideTheGame()) return kHighScoreFile;
    const std::string folder = HighScores_PlayerFolder();
    if (!folder.empty() && Exists(PlayerCopy(folder))) return PlayerCopy(folder);
    return kHighScoreFile;
}

std::string HighScores_PathToWrite() {
    if (WritableBesideTheGame()) return kHighScoreFile;
    const std::string folder = HighScores_PlayerFolder();
    if (folder.empty()) return kHighScoreFile;
    MakeFolders(folder);
    File_CopyWhenMissing(kHighScoreFile, PlayerCopy(folder));
    return PlayerCopy(folder);
}

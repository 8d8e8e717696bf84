// The installed seams and the executable's own directory.
#include "platform.h"

#include <unistd.h>

#include <climits>

namespace plat {

namespace {
Platform g_platform;  // written by Plat_Install before any runtime thread exists
}

void Plat_Install(const Platform& platform) { g_platform = platform; }

const Platform& Plat() { return g_platform; }

std::string Plat_ModuleDirectory() {
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    if (length <= 0) return "";
    std::string full(path, static_cast<size_t>(length));
    const size_t cut = full.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
}

}  // namespace plat

// grhmake: turns a text pixel map into the game's .grh picture file, or a .grh back into text.
#include <cstdio>
#include <string>
#include <vector>

#include "grh_format.h"
#include "picture_catalogue.h"
#include "tool_usage.h"

namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Usage(bool asked_for_help = false) {
    return Tool_Usage(
        "usage: grhmake SOURCE.txt OUTPUT.grh\n"
        "       grhmake --decode INPUT.grh OUTPUT.txt\n",
        asked_for_help);
}

int Make(const std::string& source_path, const std::string& output_path) {
    grh::PictureSource source;
    std::string error;
    if (!grh::ReadPictureFile(source_path, source, error)) {
        std::fprintf(stderr, "grhmake: %s\n", error.c_str());
        return 1;
    }
    const grh::PixelMap map = grh::StoredPixels(source);
    // A picture the game loads must fit the buffer the game gives it; refusing here keeps an
    // oversized drawing from ever reaching the data folder.
    const std::string name = BaseName(output_path);
    const size_t body_bytes = grh::FourPlaneBlockBytes(map.width_px, map.height_px);
    if (const grh::PictureEntry* entry = grh::FindPicture(name)) {
        const size_t buffer_bytes = static_cast<size_t>(entry->buffer_words) * 2;
        if (body_bytes > buffer_bytes) {
            std::fprintf(stderr, "grhmake: %s: %d x %d pixels take %zu bytes, buffer holds %zu\n",
                         source_path.c_str(), map.width_px, map.height_px, body_bytes,
                         buffer_bytes);
            return 1;
        }
    }
    if (body_bytes > 0xFFFF) {
        std::fprintf(stderr, "grhmake: %s: body of %zu bytes does not fit the length field\n",
                     source_path.c_str(), body_bytes);
        return 1;
    }
    if (!grh::WriteBinaryFile(output_path, grh::EncodeGrhFile(map))) {
        std::fprintf(stderr, "grhmake: cannot write %s\n", output_path.c_str());
        return 1;
    }
    return 0;
}

int Decode(const std::string& input_path, const std::string& output_path) {
    std::vector<uint8_t> file;
    if (!grh::ReadBinaryFile(input_path, file)) {
        std::fprintf(stderr, "grhmake: cannot read %s\n", input_path.c_str());
        return 1;
    }
    grh::PixelMap map;
    std::string error;
    if (!grh::DecodeGrhFile(file, map, error)) {
        std::fprintf(stderr, "grhmake: %s: %s\n", input_path.c_str(), error.c_str());
        return 1;
    }
    const std::string text = grh::FormatPixelMapText(map, {BaseName(input_path)});
    if (!grh::WriteBinaryFile(output_path, std::vector<uint8_t>(text.begin(), text.end()))) {
        std::fprintf(stderr, "grhmake: cannot write %s\n", output_path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (Tool_AskedForHelp(argc, argv)) return Usage(true);
    if (argc == 4 && std::string(argv[1]) == "--decode") return Decode(argv[2], argv[3]);
    if (argc == 3) return Make(argv[1], argv[2]);
    return Usage();
}

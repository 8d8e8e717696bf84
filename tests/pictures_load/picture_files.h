// Writing picture files for the load tests into a folder of their own.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// A folder removed with everything in it when the test ends.
class ScratchFolder {
  public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("brunolt-pictures-" + std::to_string(::getpid()) + "-" +
                 std::to_string(counter_++))) {
        std::filesystem::create_directories(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // Writes the bytes to a file of that name and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string file = (path_ / name).string();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

  private:
    static inline int counter_ = 0;
    std::filesystem::path path_;
};

// Header of a memory-image file: marker, segment, offset, body length.
inline std::vector<uint8_t> Header(uint16_t segment, uint16_t offset, uint16_t length,
                                   uint8_t marker = 0xFD) {
    return {marker,
            static_cast<uint8_t>(segment),
            static_cast<uint8_t>(segment >> 8),
            static_cast<uint8_t>(offset),
            static_cast<uint8_t>(offset >> 8),
            static_cast<uint8_t>(length),
            static_cast<uint8_t>(length >> 8)};
}

// Header followed by the body, its length field given separately.
inline std::vector<uint8_t> ImageFile(const std::vector<uint8_t>& body, uint16_t length_field,
                                      uint16_t segment = 0, uint16_t offset = 0,
                                      uint8_t marker = 0xFD) {
    std::vector<uint8_t> file = Header(segment, offset, length_field, marker);
    // Byte by byte: one compiler misreads a range insert behind a 7-byte header as overflowing.
    file.reserve(file.size() + body.size());
    for (const uint8_t byte : body) file.push_back(byte);
    return file;
}

// A solid four-plane picture of w x h pixels.
inline std::vector<uint8_t> SolidPicture(int w, int h, uint8_t colour) {
    const int r = (w + 7) / 8;
    std::vector<uint8_t> block = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                                  static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8)};
    for (int y = 0; y < h; ++y) {
        for (int p = 0; p < 4; ++p) {
            for (int b = 0; b < r; ++b) {
                const int bits = std::min(8, w - 8 * b);
                const uint8_t ones = static_cast<uint8_t>(0xFF << (8 - bits));
                block.push_back(((colour >> p) & 1) != 0 ? ones : 0);
            }
        }
    }
    return block;
}

// Reading and writing text pixel maps, four-plane pixel blocks and .grh files.
#include "grh_format.h"

#include <array>
#include <fstream>
#include <iterator>
#include <sstream>

namespace grh {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void PutWord(std::vector<uint8_t>& bytes, uint16_t word) {
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
}

uint16_t GetWord(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::string LineMessage(int line_number, const std::string& what) {
    return "line " + std::to_string(line_number) + ": " + what;
}

}  // namespace

PixelMap MakePixelMap(int width_px, int height_px, uint8_t fill) {
    PixelMap map;
    map.width_px = width_px;
    map.height_px = height_px;
    map.colours.assign(static_cast<size_t>(width_px) * static_cast<size_t>(height_px), fill);
    return map;
}

int PlaneBytes(int width_px) {
    return (width_px + 7) / 8;
}

size_t FourPlaneBlockBytes(int width_px, int height_px) {
    return kBlockSizeBytes +
           4 * static_cast<size_t>(PlaneBytes(width_px)) * static_cast<size_t>(height_px);
}

PixelMap StoredPixels(const PictureSource& source) {
    PixelMap stored = source.look;
    for (size_t i = 0; i < stored.colours.size(); ++i) {
        if (source.drawn[i] == 0) {
            stored.colours[i] = 0;
        } else if (source.over_colour >= 0) {
            stored.colours[i] = static_cast<uint8_t>(stored.colours[i] ^ source.over_colour);
        }
    }
    return stored;
}

bool ParsePictureText(const std::string& text, PictureSource& source, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int line_number = 0;
    bool have_size = false;
    int row = 0;
    source = PictureSource{};
    PixelMap& map = source.look;
    while (std::getline(in, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!have_size) {
            std::istringstream size_line(line);
            int width_px = 0;
            int height_px = 0;
            std::string word;
            if (!(size_line >> width_px >> height_px)) {
                error = LineMessage(line_number, "expected \"width height\"");
                return false;
            }
            if (size_line >> word) {
                int over = -1;
                std::string rest;
                if (word != "over" || !(size_line >> over) || over < 0 || over > 15 ||
                    (size_line >> rest)) {
                    error = LineMessage(line_number, "expected \"width height over C\", C 0-15");
                    return false;
                }
                source.over_colour = over;
            }
            if (width_px < 1 || height_px < 1 || width_px > kMaxSide_px ||
                height_px > kMaxSide_px) {
                error = LineMessage(line_number, "size out of range 1-640");
                return false;
            }
            map = MakePixelMap(width_px, height_px);
            source.drawn.assign(map.colours.size(), 0);
            have_size = true;
            continue;
        }
        if (row >= map.height_px) {
            error = LineMessage(line_number, "more rows than the height");
            return false;
        }
        if (static_cast<int>(line.size()) != map.width_px) {
            error =
                LineMessage(line_number, "row has " + std::to_string(line.size()) +
                                             " pixels, width is " + std::to_string(map.width_px));
            return false;
        }
        for (int x = 0; x < map.width_px; ++x) {
            const char c = line[static_cast<size_t>(x)];
            if (c == '.') continue;
            const int colour = HexValue(c);
            if (colour < 0) {
                error = LineMessage(line_number, "column " + std::to_string(x + 1) +
                                                     " is not a colour 0-9 or a-f, nor '.'");
                return false;
            }
            map.Set(x, row, static_cast<uint8_t>(colour));
            source.drawn[static_cast<size_t>(row) * map.width_px + x] = 1;
        }
        ++row;
    }
    if (!have_size) {
        error = "no size line";
        return false;
    }
    if (row != map.height_px) {
        error = "only " + std::to_string(row) + " rows, height is " + std::to_string(map.height_px);
        return false;
    }
    return true;
}

bool ReadPictureFile(const std::string& path, PictureSource& source, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!ParsePictureText(text, source, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ParsePixelMapText(const std::string& text, PixelMap& map, std::string& error) {
    PictureSource source;
    if (!ParsePictureText(text, source, error)) return false;
    map = StoredPixels(source);
    return true;
}

std::string FormatPixelMapText(const PixelMap& map, const std::vector<std::string>& comments) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::string& comment : comments) text += "# " + comment + "\n";
    text += std::to_string(map.width_px) + " " + std::to_string(map.height_px) + "\n";
    for (int y = 0; y < map.height_px; ++y) {
        for (int x = 0; x < map.width_px; ++x) text += kDigits[map.At(x, y) & 0x0F];
        text += "\n";
    }
    return text;
}

std::vector<uint8_t> EncodeFourPlaneBlock(const PixelMap& map) {
    const int plane_bytes = PlaneBytes(map.width_px);
    std::vector<uint8_t> block;
    block.reserve(FourPlaneBlockBytes(map.width_px, map.height_px));
    PutWord(block, static_cast<uint16_t>(map.width_px));
    PutWord(block, static_cast<uint16_t>(map.height_px));
    for (int y = 0; y < map.height_px; ++y) {
        for (int plane = 0; plane < 4; ++plane) {
            for (int byte = 0; byte < plane_bytes; ++byte) {
                uint8_t bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    const int x = byte * 8 + bit;
                    if (x < map.width_px && ((map.At(x, y) >> plane) & 1) != 0) {
                        bits = static_cast<uint8_t>(bits | (0x80 >> bit));
                    }
                }
                block.push_back(bits);
            }
        }
    }
    return block;
}

bool DecodeFourPlaneBlock(const uint8_t* block, size_t length, PixelMap& map, std::string& error) {
    if (length < kBlockSizeBytes) {
        error = "block shorter than its size words";
        return false;
    }
    const int width_px = GetWord(block);
    const int height_px = GetWord(block + 2);
    if (length < FourPlaneBlockBytes(width_px, height_px)) {
        error = "block of " + std::to_string(length) + " bytes is too short for " +
                std::to_string(width_px) + " x " + std::to_string(height_px) + " pixels";
        return false;
    }
    const size_t plane_bytes = static_cast<size_t>(PlaneBytes(width_px));
    map = MakePixelMap(width_px, height_px);
    const uint8_t* rows = block + kBlockSizeBytes;
    for (int y = 0; y < height_px; ++y) {
        const uint8_t* row = rows + static_cast<size_t>(y) * 4 * plane_bytes;
        for (int x = 0; x < width_px; ++x) {
            const size_t byte = static_cast<size_t>(x / 8);
            const int shift = 7 - (x % 8);
            uint8_t colour = 0;
            for (size_t plane = 0; plane < 4; ++plane) {
                const int bit = (row[plane * plane_bytes + byte] >> shift) & 1;
                colour = static_cast<uint8_t>(colour | (bit << plane));
            }
            map.Set(x, y, colour);
        }
    }
    return true;
}

std::vector<uint8_t> EncodeGrhFile(const PixelMap& map) {
    const std::vector<uint8_t> body = EncodeFourPlaneBlock(map);
    std::vector<uint8_t> file;
    file.reserve(kHeaderBytes + body.size());
    file.push_back(kMarker);
    PutWord(file, 0);
    PutWord(file, 0);
    PutWord(file, static_cast<uint16_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

bool SplitGrhFile(const std::vector<uint8_t>& file, GrhHeader& header, std::vector<uint8_t>& body,
                  std::string& error) {
    if (file.size() < kHeaderBytes) {
        error = "header shorter than 7 bytes";
        return false;
    }
    header.marker = file[0];
    header.segment = GetWord(&file[1]);
    header.offset = GetWord(&file[3]);
    header.body_length = GetWord(&file[5]);
    if (header.marker != kMarker) {
        error = "first byte is not the picture marker 0xFD";
        return false;
    }
    size_t length = header.body_length;
    if (length == 0) {
        const size_t rest = file.size() - kHeaderBytes;
        length = rest >= 65536 ? rest : 0;
    }
    if (file.size() - kHeaderBytes < length) {
        error = "body shorter than the length in the header";
        return false;
    }
    body.assign(file.begin() + kHeaderBytes,
                file.begin() + static_cast<std::ptrdiff_t>(kHeaderBytes + length));
    return true;
}

bool DecodeGrhFile(const std::vector<uint8_t>& file, PixelMap& map, std::string& error) {
    GrhHeader header;
    std::vector<uint8_t> body;
    if (!SplitGrhFile(file, header, body, error)) return false;
    return DecodeFourPlaneBlock(body.data(), body.size(), map, error);
}

bool ReadBinaryFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

uint32_t DefaultPaletteRgb(uint8_t colour) {
    static constexpr std::array<uint32_t, 16> kPalette = {
        0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
        0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    return kPalette[colour & 0x0F];
}

}  // namespace grh

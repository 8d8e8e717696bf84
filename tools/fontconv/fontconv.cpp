// fontconv: converts PSF console fonts into the runtime's code page 437 glyph tables.
//
// Usage:
//   fontconv --out-dir DIR --note TEXT... --set8 SOURCE... --set16 SOURCE...
// A SOURCE is a PSF file (version 1 or 2, optionally gzip-compressed) followed by "@unicode"
// when its glyphs are to be found through the file's own Unicode table, or by "@cp437",
// "@cp850" or "@cp865" when the file holds 256 glyphs in that code page's order. For each of
// the 256 code page 437 characters the sources of a set are searched in the order given, and
// the first one holding the character's Unicode code point supplies the glyph. Every --note
// becomes a line of the origin comment of the generated files. Writes DIR/font_data.h and
// DIR/font_data.cpp; fails, writing nothing, when any glyph is missing.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tool_usage.h"

namespace {

// Unicode of each code page 437 character as the PC draws it (0x00-0x1F and 0x7F are
// pictures, not controls). 0x00 is the empty cell.
constexpr std::array<uint32_t, 256> kCp437 = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 00
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 08
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 10
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 18
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,  // 20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 30
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,  // 38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 50
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,  // 58
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 70
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302,  // 78
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Other code points fonts use for the same shapes, tried when the first one is absent.
const std::multimap<uint32_t, uint32_t> kAlternates = {
    {0x25BA, 0x25B6}, {0x25C4, 0x25C0}, {0x00DF, 0x03B2}, {0x00B5, 0x03BC}, {0x03A3, 0x2211},
    {0x03A9, 0x2126}, {0x03C6, 0x03D5}, {0x03B5, 0x2208}, {0x2219, 0x00B7}, {0x25A0, 0x25AA},
};

// Code pages that differ from 437 only in some places: position and Unicode there.
const std::map<int, uint32_t> kCp865Changes = {{0x9B, 0x00F8}, {0x9D, 0x00D8}, {0xAF, 0x00A4}};
const std::map<int, uint32_t> kCp850Changes = {
    {0x9B, 0x00F8}, {0x9D, 0x00D8}, {0x9E, 0x00D7}, {0xA9, 0x00AE}, {0xB5, 0x00C1}, {0xB6, 0x00C2},
    {0xB7, 0x00C0}, {0xB8, 0x00A9}, {0xBD, 0x00A2}, {0xBE, 0x00A5}, {0xC6, 0x00E3}, {0xC7, 0x00C3},
    {0xCF, 0x00A4}, {0xD0, 0x00F0}, {0xD1, 0x00D0}, {0xD2, 0x00CA}, {0xD3, 0x00CB}, {0xD4, 0x00C8},
    {0xD5, 0x0131}, {0xD6, 0x00CD}, {0xD7, 0x00CE}, {0xD8, 0x00CF}, {0xDD, 0x00A6}, {0xDE, 0x00CC},
    {0xE0, 0x00D3}, {0xE1, 0x00DF}, {0xE2, 0x00D4}, {0xE3, 0x00D2}, {0xE4, 0x00F5}, {0xE5, 0x00D5},
    {0xE6, 0x00B5}, {0xE7, 0x00FE}, {0xE8, 0x00DE}, {0xE9, 0x00DA}, {0xEA, 0x00DB}, {0xEB, 0x00D9},
    {0xEC, 0x00FD}, {0xED, 0x00DD}, {0xEE, 0x00AF}, {0xEF, 0x00B4}, {0xF0, 0x00AD}, {0xF1, 0x00B1},
    {0xF2, 0x2017}, {0xF3, 0x00BE}, {0xF4, 0x00B6}, {0xF5, 0x00A7}, {0xF6, 0x00F7}, {0xF7, 0x00B8},
    {0xF8, 0x00B0}, {0xF9, 0x00A8}, {0xFA, 0x00B7}, {0xFB, 0x00B9}, {0xFC, 0x00B3}, {0xFD, 0x00B2},
    {0xFE, 0x25A0}, {0xFF, 0x00A0},
};

struct PsfFont {
    std::string path;
    int width = 0;
    int height = 0;
    int bytes_per_glyph = 0;
    std::vector<std::vector<uint8_t>> glyphs;  // rows of the glyph, one byte per row (8 wide)
    std::map<uint32_t, int> glyph_of;          // Unicode -> glyph index
};

struct PipeCloser {
    void operator()(std::FILE* pipe) const { pclose(pipe); }
};

bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    const bool gzipped = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    if (!gzipped) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot open " + path;
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        return true;
    }
    if (path.find('\'') != std::string::npos) {
        error = "refusing a path with a quote: " + path;
        return false;
    }
    const std::string command = "gzip -dc -- '" + path + "'";
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) {
        error = "cannot run gzip for " + path;
        return false;
    }
    uint8_t buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    if (pclose(pipe.release()) != 0 || bytes.empty()) {
        error = "cannot decompress " + path;
        return false;
    }
    return true;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

// Reads the glyphs and, when present, the Unicode table of a PSF file.
bool LoadPsf(const std::string& path, PsfFont& font, std::string& error) {
    std::vector<uint8_t> b;
    if (!ReadAll(path, b, error)) return false;
    font = PsfFont{};
    font.path = path;
    size_t glyph_count = 0;
    size_t glyphs_at = 0;
    bool has_table = false;
    bool psf2 = false;
    if (b.size() >= 4 && b[0] == 0x36 && b[1] == 0x04) {
        const uint8_t mode = b[2];
        font.width = 8;
        font.height = b[3];
        font.bytes_per_glyph = b[3];
        glyph_count = (mode & 1) ? 512 : 256;
        has_table = (mode & 6) != 0;
        glyphs_at = 4;
    } else if (b.size() >= 32 && b[0] == 0x72 && b[1] == 0xB5 && b[2] == 0x4A && b[3] == 0x86) {
        psf2 = true;
        glyphs_at = Le32(b, 8);
        has_table = (Le32(b, 12) & 1) != 0;
        glyph_count = Le32(b, 16);
        font.bytes_per_glyph = static_cast<int>(Le32(b, 20));
        font.height = static_cast<int>(Le32(b, 24));
        font.width = static_cast<int>(Le32(b, 28));
    } else {
        error = path + " is not a PSF font";
        return false;
    }
    if (font.width != 8 || font.bytes_per_glyph != font.height || glyph_count == 0 ||
        glyph_count > 65536) {
        error = path + ": only 8-pixel-wide fonts are converted";
        return false;
    }
    const size_t table_at = glyphs_at + glyph_count * static_cast<size_t>(font.bytes_per_glyph);
    if (table_at > b.size()) {
        error = path + " is truncated";
        return false;
    }
    for (size_t g = 0; g < glyph_count; ++g) {
        const auto first = b.begin() + static_cast<std::ptrdiff_t>(glyphs_at + g * font.height);
        font.glyphs.emplace_back(first, first + font.height);
    }
    if (!has_table) return true;

    // Each glyph's entry lists its code points and ends with a terminator; sequences of
    // combining characters follow a separator and are skipped.
    size_t at = table_at;
    for (size_t g = 0; g < glyph_count && at < b.size(); ++g) {
        bool in_sequence = false;
        while (at < b.size()) {
            uint32_t cp = 0;
            if (psf2) {
                const uint8_t lead = b[at];
                if (lead == 0xFF) {
                    ++at;
                    break;
                }
                if (lead == 0xFE) {
                    in_sequence = true;
                    ++at;
                    continue;
                }
                int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
                cp = extra == 0   ? lead
                     : extra == 1 ? (lead & 0x1F)
                     : extra == 2 ? (lead & 0x0F)
                                  : (lead & 0x07);
                if (at + 1 + extra > b.size()) break;
                for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (b[at + k] & 0x3F);
                at += 1 + extra;
            } else {
                if (at + 2 > b.size()) break;
                cp = b[at] | (b[at + 1] << 8);
                at += 2;
                if (cp == 0xFFFF) break;
                if (cp == 0xFFFE) {
                    in_sequence = true;
                    continue;
                }
            }
            if (!in_sequence) font.glyph_of.emplace(cp, static_cast<int>(g));
        }
    }
    return true;
}

struct Source {
    PsfFont font;
    std::string order;  // "unicode", "cp437", "cp850" or "cp865"
};

bool ParseSource(const std::string& source_arg, Source& source, std::string& error) {
    const size_t at = source_arg.rfind('@');
    if (at == std::string::npos) {
        error = "source without @order: " + source_arg;
        return false;
    }
    source.order = source_arg.substr(at + 1);
    if (!LoadPsf(source_arg.substr(0, at), source.font, error)) return false;
    if (source.order == "unicode") {
        if (source.font.glyph_of.empty()) {
            error = source_arg + ": the font has no Unicode table";
            return false;
        }
        return true;
    }
    const std::map<int, uint32_t>* changes = nullptr;
    static const std::map<int, uint32_t> kNone;
    if (source.order == "cp437") changes = &kNone;
    if (source.order == "cp850") changes = &kCp850Changes;
    if (source.order == "cp865") changes = &kCp865Changes;
    if (changes == nullptr || source.font.glyphs.size() < 256) {
        error = source_arg + ": unknown order or fewer than 256 glyphs";
        return false;
    }
    source.font.glyph_of.clear();
    for (int i = 1; i < 256; ++i) {
        const auto change = changes->find(i);
        source.font.glyph_of.emplace(change != changes->end() ? change->second : kCp437[i], i);
    }
    return true;
}

struct GlyphSet {
    int height = 0;
    std::vector<std::vector<uint8_t>> rows;  // 256 glyphs
    std::vector<std::string> origin;         // per glyph: file and glyph index
};

std::string Basename(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool BuildSet(int height, const std::vector<Source>& sources, GlyphSet& set, std::string& error) {
    set.height = height;
    set.rows.assign(256, std::vector<uint8_t>(static_cast<size_t>(height), 0));
    set.origin.assign(256, "empty cell");
    for (const Source& s : sources) {
        if (s.font.height != height) {
            std::ostringstream msg;
            msg << s.font.path << " has " << s.font.height << " rows, the set needs " << height;
            error = msg.str();
            return false;
        }
    }
    std::string missing;
    for (int c = 1; c < 256; ++c) {
        std::vector<uint32_t> wanted = {kCp437[c]};
        const auto range = kAlternates.equal_range(kCp437[c]);
        for (auto it = range.first; it != range.second; ++it) wanted.push_back(it->second);
        bool found = false;
        for (const Source& s : sources) {
            for (uint32_t cp : wanted) {
                const auto hit = s.font.glyph_of.find(cp);
                if (hit == s.font.glyph_of.end()) continue;
                set.rows[c] = s.font.glyphs[static_cast<size_t>(hit->second)];
                std::ostringstream from;
                from << Basename(s.font.path) << " glyph " << hit->second;
                set.origin[c] = from.str();
                found = true;
                break;
            }
            if (found) break;
        }
        if (!found) {
            char code[8];
            std::snprintf(code, sizeof code, " %02X", c);
            missing += code;
        }
    }
    if (!missing.empty()) {
        error = "no glyph for code page 437 characters:" + missing;
        return false;
    }
    return true;
}

std::string Utf8(uint32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// A short readable name of the character for the table's line comments.
std::string CharLabel(int c) {
    const uint32_t cp = kCp437[c];
    if (c == 0x00) return "empty";
    if (c == 0x20) return "space";
    if (c == 0xFF) return "no-break space";
    if (c == '\\') return "backslash";  // a backslash ending a line comment would continue it
    return Utf8(cp);
}

void WriteSet(std::ostream& out, const char* name, const char* macro, const GlyphSet& set) {
    out << "const uint8_t " << name << "[" << 256 * 8 * set.height << "] = {\n";
    for (int c = 0; c < 256; ++c) {
        char line[16];
        out << "    " << macro << "(";
        for (int r = 0; r < set.height; ++r) {
            std::snprintf(line, sizeof line, "%s0x%02X", r == 0 ? "" : ", ", set.rows[c][r]);
            out << line;
        }
        std::snprintf(line, sizeof line, "),  // %02X ", c);
        out << line << CharLabel(c) << "\n";
    }
    out << "};\n";
}

void WriteOrigin(std::ostream& out, const std::vector<std::string>& notes) {
    for (const std::string& note : notes) out << "// " << note << "\n";
}

bool WriteFiles(const std::string& dir, const std::vector<std::string>& notes, const GlyphSet& set8,
                const GlyphSet& set16, std::string& error) {
    std::ostringstream h;
    h << "// The built-in code page 437 glyph sets, 8 x 8 and 8 x 16 pixels, one byte per pixel.\n"
         "//\n"
         "// Generated by tools/fontconv; do not edit by hand.\n";
    WriteOrigin(h, notes);
    h << "#pragma once\n\n"
         "#include <cstdint>\n\n"
         "// Glyph g at byte g * 64: 8 rows of 8 bytes, top row first, leftmost pixel first;\n"
         "// 0x00 is background, 0xFF foreground.\n"
         "extern const uint8_t kFont8x8[16384];\n\n"
         "// Glyph g at byte g * 128: 16 rows of 8 bytes, laid out as kFont8x8.\n"
         "extern const uint8_t kFont8x16[32768];\n";

    std::ostringstream c;
    c << "// The pixels of the built-in code page 437 glyph sets (see font_data.h).\n"
         "//\n"
         "// Generated by tools/fontconv; do not edit by hand.\n";
    WriteOrigin(c, notes);
    c << "//\n"
         "// Each glyph is written as its rows, one bit pattern per row with bit 7 the leftmost\n"
         "// pixel; the macros below widen every row to the eight pixel bytes of the tables at\n"
         "// compile time.\n"
         "#include \"font_data.h\"\n\n"
         "namespace {\n\n"
         "constexpr uint8_t FontPixel(unsigned row_bits, unsigned column) {\n"
         "    return ((row_bits >> (7u - column)) & 1u) != 0 ? 0xFF : 0x00;\n"
         "}\n\n"
         "}  // namespace\n\n"
         "// clang-format off\n"
         "#define FONT_ROW(b)                                                                  \\\n"
         "    FontPixel(b, 0), FontPixel(b, 1), FontPixel(b, 2), FontPixel(b, 3), FontPixel(b, 4), "
         "\\\n"
         "        FontPixel(b, 5), FontPixel(b, 6), FontPixel(b, 7)\n"
         "#define FONT_GLYPH8(r0, r1, r2, r3, r4, r5, r6, r7)                                 \\\n"
         "    FONT_ROW(r0), FONT_ROW(r1), FONT_ROW(r2), FONT_ROW(r3), FONT_ROW(r4), FONT_ROW(r5), "
         "\\\n"
         "        FONT_ROW(r6), FONT_ROW(r7)\n"
         "#define FONT_GLYPH16(r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, r10, r11, r12, r13, r14, "
         "r15) \\\n"
         "    FONT_GLYPH8(r0, r1, r2, r3, r4, r5, r6, r7), FONT_GLYPH8(r8, r9, r10, r11, r12, r13, "
         "r14, r15)\n\n";
    WriteSet(c, "kFont8x8", "FONT_GLYPH8", set8);
    c << "\n";
    WriteSet(c, "kFont8x16", "FONT_GLYPH16", set16);
    c << "// clang-format on\n\n"
         "#undef FONT_GLYPH16\n"
         "#undef FONT_GLYPH8\n"
         "#undef FONT_ROW\n";

    for (const auto& [name, text] : {std::pair{std::string("font_data.h"), h.str()},
                                     std::pair{std::string("font_data.cpp"), c.str()}}) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            error = "cannot write " + dir + "/" + name;
            return false;
        }
    }
    return true;
}

int Usage(bool asked_for_help = false) {
    return Tool_Usage(
        "usage: fontconv --out-dir DIR [--note TEXT]... --set8 FILE@ORDER... "
        "--set16 FILE@ORDER...\n"
        "       ORDER is unicode, cp437, cp850 or cp865\n",
        asked_for_help);
}

}  // namespace

int main(int argc, char** argv) {
    std::string out_dir;
    std::vector<std::string> notes;
    std::vector<std::string> source_args8;
    std::vector<std::string> source_args16;
    std::vector<std::string>* current = nullptr;
    if (Tool_AskedForHelp(argc, argv)) return Usage(true);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--out-dir" || arg == "--note") {
            if (i + 1 >= argc) return Usage();
            if (arg == "--out-dir") {
                out_dir = argv[++i];
            } else {
                notes.push_back(argv[++i]);
            }
            current = nullptr;
        } else if (arg == "--set8") {
            current = &source_args8;
        } else if (arg == "--set16") {
            current = &source_args16;
        } else if (current != nullptr) {
            current->push_back(arg);
        } else {
            return Usage();
        }
    }
    if (out_dir.empty() || source_args8.empty() || source_args16.empty()) return Usage();

    std::string error;
    GlyphSet sets[2];
    const std::vector<std::string>* source_args[2] = {&source_args8, &source_args16};
    for (int s = 0; s < 2; ++s) {
        std::vector<Source> sources;
        for (const std::string& source_arg : *source_args[s]) {
            Source& source = sources.emplace_back();
            if (!ParseSource(source_arg, source, error)) {
                std::cerr << "fontconv: " << error << "\n";
                return 1;
            }
        }
        if (!BuildSet(s == 0 ? 8 : 16, sources, sets[s], error)) {
            std::cerr << "fontconv: " << (s == 0 ? "8 x 8" : "8 x 16") << " set: " << error << "\n";
            return 1;
        }
    }
    if (!WriteFiles(out_dir, notes, sets[0], sets[1], error)) {
        std::cerr << "fontconv: " << error << "\n";
        return 1;
    }
    // Tell where each glyph came from when it is not the first source's own.
    for (int s = 0; s < 2; ++s) {
        const std::string first = Basename((*source_args[s])[0].substr(0, (*source_args[s])[0].rfind('@')));
        for (int c = 0; c < 256; ++c) {
            if (sets[s].origin[c].rfind(first, 0) == 0) continue;
            std::printf("%s %02X: %s\n", s == 0 ? "8x8 " : "8x16", c, sets[s].origin[c].c_str());
        }
    }
    std::printf("wrote %s/font_data.h and %s/font_data.cpp\n", out_dir.c_str(), out_dir.c_str());
    return 0;
}

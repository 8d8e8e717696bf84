// The shipped .grh pictures: header and body, buffers, every place the game puts them, portrait
// composition by exclusive or, and agreement with their text sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "grh_format.h"
#include "picture_catalogue.h"

namespace {

struct Loaded {
    std::vector<uint8_t> file;
    grh::PixelMap map;
};

Loaded Load(const std::string& name) {
    Loaded loaded;
    EXPECT_TRUE(grh::ReadBinaryFile(name, loaded.file)) << name;
    std::string error;
    EXPECT_TRUE(grh::DecodeGrhFile(loaded.file, loaded.map, error)) << name << ": " << error;
    return loaded;
}

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
};

Rect At(const std::string& name, int x, int y) {
    const grh::PixelMap map = Load(name).map;
    return Rect{x, y, map.width_px, map.height_px};
}

void ExpectOnScreen(const Rect& r, int screen_w, int screen_h, const std::string& what) {
    EXPECT_GE(r.x, 0) << what;
    EXPECT_GE(r.y, 0) << what;
    EXPECT_LE(r.Right(), screen_w) << what << " right edge " << r.Right();
    EXPECT_LE(r.Bottom(), screen_h) << what << " bottom edge " << r.Bottom();
}

// Buffers as the screens create them, in 16-bit words; checked apart from the tool's own table.
struct Buffer {
    const char* name;
    int words;
};
constexpr Buffer kBuffers[] = {
    {"tel2.grh", 600},    {"simgra.grh", 20000}, {"cor.grh", 600},     {"tel.grh", 600},
    {"lin.grh", 400},     {"spaz.grh", 600},     {"faccia.grh", 600},  {"factri.grh", 600},
    {"corni.grh", 800},   {"capbi.grh", 600},    {"capro.grh", 600},   {"capcas.grh", 600},
    {"capner.grh", 600},  {"capbri.grh", 600},   {"capbia.grh", 600},  {"calvo.grh", 600},
    {"legbri.grh", 600},  {"bioscu.grh", 600},   {"cachi.grh", 600},   {"capbid.grh", 600},
    {"caprod.grh", 600},  {"capcasd.grh", 600},  {"capnerd.grh", 600}, {"capbrid.grh", 600},
    {"capbiad.grh", 600}, {"legbrid.grh", 600},  {"bioscud.grh", 600}, {"cachid.grh", 600},
};

const char* const kMenHair[] = {"capbi.grh",  "capro.grh", "capcas.grh", "capner.grh", "capbri.grh",
                                "capbia.grh", "calvo.grh", "legbri.grh", "bioscu.grh", "cachi.grh"};
struct WomanHair {
    const char* name;
    int y;
};
constexpr WomanHair kWomenHair[] = {
    {"capbid.grh", 190},  {"caprod.grh", 191},  {"capcasd.grh", 191},
    {"capnerd.grh", 191}, {"capbrid.grh", 190}, {"capbiad.grh", 191},
    {"legbrid.grh", 190}, {"bioscud.grh", 190}, {"cachid.grh", 190}};

TEST(PictureFiles, EveryFileHasMarkerLengthAndFitsItsBuffer) {
    for (const Buffer& buffer : kBuffers) {
        SCOPED_TRACE(buffer.name);
        std::vector<uint8_t> file;
        ASSERT_TRUE(grh::ReadBinaryFile(buffer.name, file));
        ASSERT_GE(file.size(), 11u);
        EXPECT_EQ(file[0], 0xFD);
        const size_t body_length = file[5] | (file[6] << 8);
        EXPECT_EQ(body_length, file.size() - 7);
        const size_t width = file[7] | (file[8] << 8);
        const size_t height = file[9] | (file[10] << 8);
        EXPECT_GT(width, 0u);
        EXPECT_GT(height, 0u);
        EXPECT_EQ(body_length, 4 + 4 * ((width + 7) / 8) * height);
        EXPECT_LE(body_length, static_cast<size_t>(buffer.words) * 2);
    }
}

TEST(PictureFiles, CatalogueAgreesWithTheBuffers) {
    ASSERT_EQ(grh::kPictures.size(), std::size(kBuffers));
    for (const Buffer& buffer : kBuffers) {
        const grh::PictureEntry* entry = grh::FindPicture(buffer.name);
        ASSERT_NE(entry, nullptr) << buffer.name;
        EXPECT_EQ(entry->buffer_words, buffer.words) << buffer.name;
    }
}

TEST(PictureFiles, SpareBitsOfEveryRowAreZero) {
    // The block put ignores them, but a clean file decodes the same whatever reads it.
    for (const Buffer& buffer : kBuffers) {
        const Loaded loaded = Load(buffer.name);
        EXPECT_EQ(grh::EncodeFourPlaneBlock(loaded.map),
                  std::vector<uint8_t>(loaded.file.begin() + 7, loaded.file.end()))
            << buffer.name;
    }
}

TEST(PicturePlacements, InstructionsBorderAndTitle) {
    for (int k = 0; k <= 13; ++k) {
        ExpectOnScreen(At("tel2.grh", 3 + 45 * k, 1), 640, 480, "tel2 top");
        ExpectOnScreen(At("tel2.grh", 3 + 45 * k, 449), 640, 480, "tel2 bottom");
    }
    for (int k = 0; k <= 14; ++k) {
        ExpectOnScreen(At("tel2.grh", 3, 29 + 28 * k), 640, 480, "tel2 left");
        ExpectOnScreen(At("tel2.grh", 588, 29 + 28 * k), 640, 480, "tel2 right");
    }
    // The tiles close up into an unbroken border and keep clear of the text boxes (columns
    // 8-73, rows 8-28: x 56-583, y 112-447).
    const Rect tile = At("tel2.grh", 0, 0);
    EXPECT_EQ(tile.w, 45);
    EXPECT_EQ(tile.h, 28);
    const Rect title = At("simgra.grh", 76, 40);
    ExpectOnScreen(title, 640, 480, "simgra");
    EXPECT_LE(title.Bottom(), 112) << "title runs into the instructions box";
    EXPECT_GE(title.y, 1 + tile.h);
    EXPECT_GE(title.x, 3 + tile.w);
    EXPECT_LE(title.Right(), 588);
}

TEST(PicturePlacements, HighScoreBorderOnTheSmallScreen) {
    for (int x = 0; x <= 280; x += 40) {
        for (int y : {1, 97, 169}) ExpectOnScreen(At("cor.grh", x, y), 320, 200, "cor row");
    }
    for (int y = 25; y <= 145; y += 24) {
        ExpectOnScreen(At("cor.grh", 0, y), 320, 200, "cor left");
        ExpectOnScreen(At("cor.grh", 280, y), 320, 200, "cor right");
    }
    const Rect tile = At("cor.grh", 0, 0);
    EXPECT_EQ(tile.w, 40);
    EXPECT_EQ(tile.h, 24);
    // Text rows 5-11 (y 32-95) and 18-20 (y 136-159) from column 7 (x 48) stay clear.
    EXPECT_LE(1 + tile.h, 32);
    EXPECT_LE(97 + tile.h, 136);
    EXPECT_LE(tile.w, 48);
}

TEST(PicturePlacements, TelephoneLineAndEraser) {
    for (int k = 0; k <= 12; ++k) ExpectOnScreen(At("lin.grh", 8 + 34 * k, 399), 640, 480, "lin");
    const Rect line = At("lin.grh", 420, 399);
    ExpectOnScreen(line, 640, 480, "lin last");
    EXPECT_LE(line.Bottom(), 416) << "line reaches text row 27";
    EXPECT_EQ(line.w, 34);
    // Any dialled number has a digit sum of 1 to 54; the culprit's lies in 4 to 52.
    for (int sum = 1; sum <= 54; ++sum) {
        const Rect phone = At("tel.grh", 8 * sum + 11, 384);
        ExpectOnScreen(phone, 640, 480, "tel");
        EXPECT_LE(phone.Bottom(), 399) << "telephone overlaps the line";
        EXPECT_GE(phone.y, 384) << "telephone overlaps the panel";
        for (int erase_x : {8 * sum + 11, 8 * sum}) {
            const Rect patch = At("spaz.grh", erase_x, 384);
            ExpectOnScreen(patch, 640, 480, "spaz");
            EXPECT_LE(patch.Bottom(), 399);
            // Both erase places cover the whole telephone.
            EXPECT_LE(patch.x, phone.x);
            EXPECT_GE(patch.Right(), phone.Right());
            EXPECT_LE(patch.y, phone.y);
            EXPECT_GE(patch.Bottom(), phone.Bottom());
        }
    }
    const grh::PixelMap patch = Load("spaz.grh").map;
    for (uint8_t colour : patch.colours) EXPECT_EQ(colour, 0) << "spaz must be blank";
    // The telephone stands on the edge of the coloured block: x 8 x sum + 16.
    const Rect phone = At("tel.grh", 8 * 20 + 11, 384);
    EXPECT_EQ(phone.x + phone.w / 2, 8 * 20 + 16);
}

TEST(PicturePlacements, ConversationPortraitEndsAboveTheText) {
    const Rect frame = At("corni.grh", 206, 190);
    ExpectOnScreen(frame, 640, 480, "corni");
    EXPECT_LE(frame.Bottom(), 224);
    for (const char* face : {"faccia.grh", "factri.grh"}) {
        const Rect r = At(face, 208, 190);
        EXPECT_LE(r.Bottom(), 224) << face;
        EXPECT_LE(r.Right(), frame.Right()) << face;
    }
    for (const char* hair : kMenHair) EXPECT_LE(At(hair, 208, 190).Bottom(), 224) << hair;
    for (const WomanHair& hair : kWomenHair) {
        EXPECT_LE(At(hair.name, 208, hair.y).Bottom(), 224) << hair.name;
    }
    // Inside the conversation box: columns 3-57 are x 16-463, rows 13-14 start at y 192.
    EXPECT_GE(frame.x, 24);
    EXPECT_LE(frame.Right(), 456);
}

TEST(PicturePlacements, SuspectListPhotographsStayInTheirColumnAndSlot) {
    for (int i = 1; i <= 10; ++i) {
        const int y = 32 * i + 66;
        std::vector<Rect> pieces = {At("corni.grh", 585, y), At("faccia.grh", 587, y)};
        for (const char* hair : kMenHair) pieces.push_back(At(hair, 587, y));
        for (const Rect& r : pieces) {
            ExpectOnScreen(r, 640, 480, "photo");
            // Between the frame characters of columns 73 and 80 (x 576-583 and 632-639), and
            // above the next photograph.
            EXPECT_GE(r.x, 584);
            EXPECT_LE(r.Right(), 632);
            EXPECT_LE(r.Bottom(), y + 32);
        }
    }
}

// A 16-colour screen to compose portraits on exactly as the game does.
struct Screen {
    int w = 640;
    int h = 480;
    std::vector<uint8_t> px = std::vector<uint8_t>(640 * 480, 0);
    void Put(const grh::PixelMap& map, int x, int y, bool exclusive_or) {
        for (int r = 0; r < map.height_px; ++r) {
            for (int c = 0; c < map.width_px; ++c) {
                uint8_t& d = px[static_cast<size_t>(y + r) * w + x + c];
                d = exclusive_or ? static_cast<uint8_t>(d ^ map.At(c, r)) : map.At(c, r);
            }
        }
    }
    uint8_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

grh::PictureSource Source(const std::string& grh_name) {
    const std::string stem = grh_name.substr(0, grh_name.size() - 4);
    grh::PictureSource source;
    std::string error;
    EXPECT_TRUE(grh::ReadPictureFile(std::string(BRUNOLT_PICTURE_SOURCE_DIR) + "/" + stem + ".txt",
                                     source, error))
        << error;
    return source;
}

// Pixels the author drew, placed at (x, y).
std::set<std::pair<int, int>> Drawn(const grh::PictureSource& source, int x, int y) {
    std::set<std::pair<int, int>> points;
    for (int r = 0; r < source.look.height_px; ++r) {
        for (int c = 0; c < source.look.width_px; ++c) {
            if (source.DrawnAt(c, r)) points.insert({x + c, y + r});
        }
    }
    return points;
}

TEST(PortraitComposition, ExclusiveOrShowsEveryPictureInItsDrawnColours) {
    // The call screen puts the frame (overwrite) at (206, 190), the face (exclusive or) at
    // (208, 190) and the hair (exclusive or) at (208, 190 or 191). Face and hair never draw on
    // the same pixel, and the composed portrait shows the hair where it is drawn, else the
    // face, else the frame and its backdrop. The culprit's face only ever gets men's hair.
    const grh::PictureSource frame_source = Source("corni.grh");
    const grh::PixelMap frame = Load("corni.grh").map;
    std::vector<std::pair<std::string, int>> men;
    std::vector<std::pair<std::string, int>> everyone;
    for (const char* hair : kMenHair) men.push_back({hair, 190});
    everyone = men;
    for (const WomanHair& hair : kWomenHair) everyone.push_back({hair.name, hair.y});
    for (const auto& [face_name, hairs] : {std::pair{std::string("faccia.grh"), everyone},
                                           std::pair{std::string("factri.grh"), men}}) {
        const grh::PictureSource face_source = Source(face_name);
        const grh::PixelMap face = Load(face_name).map;
        const auto face_drawn = Drawn(face_source, 208, 190);
        for (const auto& [hair_name, hair_y] : hairs) {
            SCOPED_TRACE(face_name + " with " + hair_name);
            const grh::PictureSource hair_source = Source(hair_name);
            const grh::PixelMap hair = Load(hair_name).map;
            const auto hair_drawn = Drawn(hair_source, 208, hair_y);
            for (const auto& point : hair_drawn) {
                ASSERT_FALSE(face_drawn.count(point)) << point.first << "," << point.second;
            }
            Screen screen;
            screen.Put(frame, 206, 190, false);
            screen.Put(face, 208, 190, true);
            screen.Put(hair, 208, hair_y, true);
            for (int y = 190; y < 190 + frame.height_px; ++y) {
                for (int x = 206; x < 206 + frame.width_px; ++x) {
                    uint8_t expected = frame_source.look.At(x - 206, y - 190);
                    if (hair_drawn.count({x, y})) {
                        expected = hair_source.look.At(x - 208, y - hair_y);
                    } else if (face_drawn.count({x, y})) {
                        expected = face_source.look.At(x - 208, y - 190);
                    }
                    ASSERT_EQ(screen.At(x, y), expected) << x << "," << y;
                }
            }
        }
    }
}

TEST(PortraitComposition, SuspectPhotographEqualsTheConversationPortrait) {
    // Overwrite of the hair first, then frame and face by exclusive or, gives the same picture
    // as the call screen's frame overwrite, face and hair exclusive or.
    const grh::PixelMap frame = Load("corni.grh").map;
    const grh::PixelMap face = Load("faccia.grh").map;
    for (const char* hair_name : kMenHair) {
        const grh::PixelMap hair = Load(hair_name).map;
        Screen call;
        call.Put(frame, 206, 190, false);
        call.Put(face, 208, 190, true);
        call.Put(hair, 208, 190, true);
        Screen list;
        list.Put(hair, 587, 98, false);
        list.Put(frame, 585, 98, true);
        list.Put(face, 587, 98, true);
        for (int r = 0; r < frame.height_px; ++r) {
            for (int c = 0; c < frame.width_px; ++c) {
                ASSERT_EQ(call.At(206 + c, 190 + r), list.At(585 + c, 98 + r)) << hair_name;
            }
        }
    }
}

TEST(PortraitComposition, EyeLinesFallOnTheEyes) {
    // The game draws the irises at face row 12, columns 13-14, 16-17, 27-28 and 30-31; the
    // face shows a black pupil between them and white at the corners, and no hair covers them.
    for (const char* face_name : {"faccia.grh", "factri.grh"}) {
        const grh::PictureSource face = Source(face_name);
        for (int pupil : {15, 29}) {
            EXPECT_TRUE(face.DrawnAt(pupil, 12)) << face_name;
            EXPECT_EQ(face.look.At(pupil, 12), 0) << face_name;
            EXPECT_EQ(face.look.At(pupil - 3, 12), 15) << face_name;
            EXPECT_EQ(face.look.At(pupil + 3, 12), 15) << face_name;
        }
    }
    std::vector<std::pair<std::string, int>> hairs;
    for (const char* hair : kMenHair) hairs.push_back({hair, 0});
    for (const WomanHair& hair : kWomenHair) hairs.push_back({hair.name, hair.y - 190});
    for (const auto& [hair_name, shift] : hairs) {
        const grh::PictureSource hair = Source(hair_name);
        const int row = 12 - shift;
        if (row >= hair.look.height_px) continue;
        for (int x = 12; x <= 32 && x < hair.look.width_px; ++x) {
            EXPECT_FALSE(hair.DrawnAt(x, row)) << hair_name << " x " << x;
        }
    }
}

TEST(PortraitComposition, SkinIsOneColourWithoutDither) {
    // Both faces show their cheeks in one colour, the skin, and nothing on the face between
    // the forehead and the mouth alternates two colours pixel by pixel for six pixels, as a
    // dither does (the nostrils alternate for five).
    const uint8_t skin = Source("faccia.grh").look.At(12, 14);
    for (const char* face_name : {"faccia.grh", "factri.grh"}) {
        const grh::PictureSource face = Source(face_name);
        for (int r = 14; r <= 16; ++r) {
            for (int c = 12; c <= 20; ++c) {
                EXPECT_EQ(face.look.At(c, r), skin) << face_name << " " << c << "," << r;
            }
        }
        for (int r = 11; r <= 18; ++r) {
            for (int c = 9; c + 5 <= 35; ++c) {
                bool alternates = face.look.At(c, r) != face.look.At(c + 1, r);
                for (int k = c + 2; k <= c + 5; ++k) {
                    alternates = alternates && face.look.At(k, r) == face.look.At(k - 2, r);
                }
                EXPECT_FALSE(alternates) << face_name << " dithers at " << c << "," << r;
            }
        }
    }
    // Every hair picture carries that skin on down the forehead: the row just above the face,
    // between the ends of the brows.
    std::vector<std::pair<std::string, int>> hairs;
    for (const char* hair : kMenHair) hairs.push_back({hair, 10});
    for (const WomanHair& hair : kWomenHair) hairs.push_back({hair.name, 10 - (hair.y - 190)});
    for (const auto& [hair_name, row] : hairs) {
        const grh::PictureSource hair = Source(hair_name);
        for (int c = 13; c <= 31; ++c) {
            EXPECT_TRUE(hair.DrawnAt(c, row) && hair.look.At(c, row) == skin)
                << hair_name << " at " << c << "," << row;
        }
    }
}

TEST(PortraitComposition, HairIsDrawnInTheColoursOfHairAndSkin) {
    // Black, red, brown, both greys, light red, yellow and white; a blue, green or magenta
    // pixel in a head of hair reads as a drawing fault.
    const std::set<uint8_t> natural = {0, 4, 6, 7, 8, 12, 14, 15};
    std::vector<std::string> hairs(std::begin(kMenHair), std::end(kMenHair));
    for (const WomanHair& hair : kWomenHair) hairs.push_back(hair.name);
    for (const std::string& hair_name : hairs) {
        const grh::PictureSource hair = Source(hair_name);
        for (int r = 0; r < hair.look.height_px; ++r) {
            for (int c = 0; c < hair.look.width_px; ++c) {
                if (!hair.DrawnAt(c, r)) continue;
                EXPECT_TRUE(natural.count(hair.look.At(c, r)))
                    << hair_name << " draws colour " << int{hair.look.At(c, r)} << " at " << c
                    << "," << r;
            }
        }
    }
}

TEST(PortraitComposition, WomensHairDiffersFromMens) {
    const std::pair<const char*, const char*> pairs[] = {
        {"capbi.grh", "capbid.grh"},   {"capro.grh", "caprod.grh"},   {"capcas.grh", "capcasd.grh"},
        {"capner.grh", "capnerd.grh"}, {"capbri.grh", "capbrid.grh"}, {"capbia.grh", "capbiad.grh"},
        {"legbri.grh", "legbrid.grh"}, {"bioscu.grh", "bioscud.grh"}, {"cachi.grh", "cachid.grh"}};
    for (const auto& [man, woman] : pairs) {
        const auto men = Drawn(Source(man), 0, 0);
        const auto women = Drawn(Source(woman), 0, 0);
        size_t only_women = 0;
        for (const auto& point : women) only_women += men.count(point) == 0 ? 1 : 0;
        EXPECT_GE(only_women, 60u) << woman << " looks like " << man;
    }
}

TEST(PictureSources, EverySourceRoundTripsAndMatchesTheShippedFile) {
    std::set<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(BRUNOLT_PICTURE_SOURCE_DIR)) {
        if (entry.path().extension() == ".txt") sources.insert(entry.path().stem().string());
    }
    EXPECT_EQ(sources.size(), 28u);
    for (const grh::PictureEntry& picture : grh::kPictures) {
        const std::string stem(picture.file_name.substr(0, picture.file_name.size() - 4));
        SCOPED_TRACE(stem);
        ASSERT_TRUE(sources.count(stem));
        const grh::PixelMap source = grh::StoredPixels(Source(std::string(picture.file_name)));
        std::string error;
        const std::vector<uint8_t> file = grh::EncodeGrhFile(source);
        grh::PixelMap decoded;
        ASSERT_TRUE(grh::DecodeGrhFile(file, decoded, error)) << error;
        EXPECT_EQ(decoded.width_px, source.width_px);
        EXPECT_EQ(decoded.height_px, source.height_px);
        EXPECT_EQ(decoded.colours, source.colours);
        std::vector<uint8_t> shipped;
        ASSERT_TRUE(grh::ReadBinaryFile(std::string(picture.file_name), shipped));
        EXPECT_EQ(shipped, file);
        // The text form reads back to the same pixels.
        grh::PixelMap reread;
        ASSERT_TRUE(grh::ParsePixelMapText(grh::FormatPixelMapText(decoded, {"x"}), reread, error));
        EXPECT_EQ(reread.colours, source.colours);
    }
}

TEST(PictureFormat, EncodesPlanesLeftmostPixelInBitSeven) {
    grh::PixelMap map = grh::MakePixelMap(10, 1);
    map.Set(0, 0, 1);
    map.Set(1, 0, 2);
    map.Set(8, 0, 15);
    map.Set(9, 0, 4);
    const std::vector<uint8_t> block = grh::EncodeFourPlaneBlock(map);
    const std::vector<uint8_t> expected = {10,   0,    1, 0,  // width 10, height 1
                                           0x80, 0x80,        // plane 0
                                           0x40, 0x80,        // plane 1
                                           0x00, 0xC0,        // plane 2
                                           0x00, 0x80};       // plane 3
    EXPECT_EQ(block, expected);
}

TEST(PictureFormat, PicturesDrawnOverABackgroundStoreTheExclusiveOr) {
    grh::PictureSource source;
    std::string error;
    ASSERT_TRUE(grh::ParsePictureText("3 1 over 3\n.0c\n", source, error)) << error;
    EXPECT_FALSE(source.DrawnAt(0, 0));
    EXPECT_TRUE(source.DrawnAt(1, 0));
    const grh::PixelMap stored = grh::StoredPixels(source);
    // Undrawn stays 0; black is stored as the background so that it shows black; 12 ^ 3 = 15.
    EXPECT_EQ(stored.colours, (std::vector<uint8_t>{0, 3, 15}));
    EXPECT_FALSE(grh::ParsePictureText("3 1 over 16\n...\n", source, error));
    EXPECT_FALSE(grh::ParsePictureText("3 1 under 3\n...\n", source, error));
}

TEST(PictureFormat, RefusesBadTextAndBadFiles) {
    grh::PixelMap map;
    std::string error;
    EXPECT_FALSE(grh::ParsePixelMapText("2 2\n01\n0g\n", map, error));
    EXPECT_NE(error.find("line 3"), std::string::npos);
    EXPECT_FALSE(grh::ParsePixelMapText("2 2\n01\n", map, error));
    EXPECT_FALSE(grh::ParsePixelMapText("2 2\n012\n01\n", map, error));
    EXPECT_FALSE(grh::ParsePixelMapText("0 2\n", map, error));
    EXPECT_TRUE(grh::ParsePixelMapText("# c\n2 1\n\n0F\n", map, error)) << error;
    EXPECT_EQ(map.At(1, 0), 15);

    std::vector<uint8_t> file = grh::EncodeGrhFile(map);
    file[0] = 0xFE;
    EXPECT_FALSE(grh::DecodeGrhFile(file, map, error));
    file[0] = 0xFD;
    file.pop_back();
    EXPECT_FALSE(grh::DecodeGrhFile(file, map, error)) << "short body accepted";
    // A length of 0 on a small file loads nothing: an empty body cannot hold a block.
    file = grh::EncodeGrhFile(map);
    file[5] = 0;
    file[6] = 0;
    grh::GrhHeader header;
    std::vector<uint8_t> body;
    EXPECT_TRUE(grh::SplitGrhFile(file, header, body, error));
    EXPECT_TRUE(body.empty());
}

}  // namespace

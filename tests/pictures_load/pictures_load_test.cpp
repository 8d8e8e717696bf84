// LoadPicture and PutPicture over conventional-memory buffers, and every shipped picture loaded
// into its buffer and put at every place the game puts it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../graphics/graphics_fixture.h"
#include "conventional_memory.h"
#include "picture_files.h"
#include "pictures.h"

namespace {

class PicturesTest : public GraphicsTest {
  protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        Rt_ConventionalReset();
    }
    ScratchFolder folder;
};

bool BufferIsZero(const PictureBuffer& buffer) {
    for (int32_t i = 1; i <= buffer.words.count; ++i) {
        if (Arr_Get(buffer.words, i) != 0) return false;
    }
    return true;
}

std::vector<uint8_t> BufferBytes(PictureBuffer& buffer, size_t count) {
    const uint8_t* bytes = Arr_Bytes(buffer.words);
    return std::vector<uint8_t>(bytes, bytes + count);
}

TEST_F(PicturesTest, BufferLivesInConventionalMemoryAndIsFreedWithIt) {
    {
        PictureBuffer buffer(kTileWords);
        EXPECT_EQ(buffer.words.lowerBound, 1);
        EXPECT_EQ(buffer.words.count, 600);
        EXPECT_EQ(buffer.words.address, 0xA0000u - 1200);
        EXPECT_TRUE(BufferIsZero(buffer));
        EXPECT_EQ(Rt_ConventionalBlockCount(), 1u);
    }
    EXPECT_EQ(Rt_ConventionalBlockCount(), 0u);
}

TEST_F(PicturesTest, LoadsFromTheFirstWordAndPuts) {
    const std::vector<uint8_t> body = SolidPicture(12, 5, 6);
    const std::string file =
        folder.Write("p.grh", ImageFile(body, static_cast<uint16_t>(body.size()), 0x1111, 0x2222));
    PictureBuffer buffer(kTileWords);
    LoadPicture(file, buffer);
    ASSERT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Arr_Get(buffer.words, 1), 12);
    EXPECT_EQ(Arr_Get(buffer.words, 2), 5);
    EXPECT_EQ(BufferBytes(buffer, body.size()), body);
    PutPicture(100, 100, buffer, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Lit().size(), 60u);
    EXPECT_EQ(At(111, 104), 6u);
    PutPicture(100, 100, buffer, kPutExclusiveOr);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(PicturesTest, WrongMarkerGives54) {
    const std::vector<uint8_t> body = SolidPicture(8, 8, 3);
    PictureBuffer buffer(kTileWords);
    LoadPicture(
        folder.Write("m.grh", ImageFile(body, static_cast<uint16_t>(body.size()), 0, 0, 0x00)),
        buffer);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(BufferIsZero(buffer));
}

TEST_F(PicturesTest, MissingFileGives53) {
    PictureBuffer buffer(kTileWords);
    LoadPicture(folder.PathOf("absent.grh"), buffer);
    EXPECT_EQ(Err_Pending(), 53u);
}

TEST_F(PicturesTest, ZeroLengthLeavesTheBufferZeroedAndPutsNothing) {
    const std::vector<uint8_t> body = SolidPicture(8, 8, 3);
    PictureBuffer buffer(kTileWords);
    LoadPicture(folder.Write("z.grh", ImageFile(body, 0)), buffer);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_TRUE(BufferIsZero(buffer));
    PutPicture(0, 0, buffer, kPutOverwrite);
    PutPicture(639, 479, buffer, kPutExclusiveOr);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(PicturesTest, ShortBodyGives54) {
    std::vector<uint8_t> body = SolidPicture(8, 8, 3);
    const auto length = static_cast<uint16_t>(body.size());
    body.pop_back();
    PictureBuffer buffer(kTileWords);
    LoadPicture(folder.Write("s.grh", ImageFile(body, length)), buffer);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(BufferIsZero(buffer));
}

TEST_F(PicturesTest, BodyLongerThanItsBufferGives54AndWritesNothing) {
    // The neighbour above the buffer is made first, so it lies right behind the buffer's end.
    PictureBuffer neighbour(kTileWords);
    for (int32_t i = 1; i <= neighbour.words.count; ++i)
        Arr_Set<int16_t>(neighbour.words, i, static_cast<int16_t>(i));
    PictureBuffer buffer(kTileWords);
    ASSERT_EQ(buffer.words.address + 1200, neighbour.words.address);
    const std::vector<uint8_t> body(1202, 0x5A);
    LoadPicture(folder.Write("long.grh", ImageFile(body, 1202)), buffer);
    EXPECT_EQ(Err_Pending(), 54u);
    EXPECT_TRUE(BufferIsZero(buffer));
    for (int32_t i = 1; i <= neighbour.words.count; ++i) ASSERT_EQ(Arr_Get(neighbour.words, i), i);
    // A body of exactly the buffer's size loads.
    Err_Reset();
    LoadPicture(folder.Write("exact.grh", ImageFile(std::vector<uint8_t>(1200, 0x5A), 1200)),
                buffer);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Arr_Get(buffer.words, 600), 0x5A5A);
    EXPECT_EQ(Arr_Get(neighbour.words, 1), 1);
}

TEST_F(PicturesTest, SizeWordsAskingMoreThanTheBufferGive5) {
    // 100 x 100 pixels need 5204 bytes; the buffer holds 800.
    std::vector<uint8_t> body(800, 0xFF);
    body[0] = 100;
    body[1] = 0;
    body[2] = 100;
    body[3] = 0;
    PictureBuffer buffer(400);
    LoadPicture(folder.Write("big.grh", ImageFile(body, 800)), buffer);
    ASSERT_EQ(Err_Pending(), 0u);
    PutPicture(0, 0, buffer, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(PicturesTest, PictureOffTheScreenGives5) {
    const std::vector<uint8_t> body = SolidPicture(16, 16, 1);
    PictureBuffer buffer(kTileWords);
    LoadPicture(folder.Write("t.grh", ImageFile(body, static_cast<uint16_t>(body.size()))), buffer);
    PutPicture(624, 0, buffer, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    PutPicture(630, 0, buffer, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
}

// ---- The shipped pictures ---------------------------------------------------------------

// Colour of pixel (x, y) of a four-plane block.
uint32_t PictureColour(const uint8_t* block, int x, int y) {
    const int width = block[0] | (block[1] << 8);
    const int r = (width + 7) / 8;
    const uint8_t* row = block + 4 + static_cast<size_t>(y) * 4 * r;
    uint32_t colour = 0;
    for (int p = 0; p < 4; ++p) colour |= ((row[p * r + x / 8] >> (7 - x % 8)) & 1u) << p;
    return colour;
}

// Puts the picture as the game does and checks every pixel of its rectangle.
void PutAndCheck(int x, int y, PictureBuffer& buffer, int32_t action, const std::string& what) {
    SCOPED_TRACE(what + " at " + std::to_string(x) + "," + std::to_string(y));
    const uint8_t* block = Arr_Bytes(buffer.words);
    const int width = block[0] | (block[1] << 8);
    const int height = block[2] | (block[3] << 8);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    std::vector<uint32_t> before;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            before.push_back(x + column < 640 && y + row < 480 ? At(x + column, y + row) : 0);
        }
    }
    PutPicture(x, y, buffer, action);
    ASSERT_EQ(Err_Pending(), 0u);
    size_t i = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column, ++i) {
            const uint32_t colour = PictureColour(block, column, row);
            const uint32_t expected = action == kPutOverwrite ? colour : before[i] ^ colour;
            ASSERT_EQ(At(x + column, y + row), expected) << "pixel " << column << "," << row;
        }
    }
    if (action == kPutOverwrite) {
        // The capture of what was put is the picture itself, byte for byte.
        const std::vector<uint8_t> captured =
            Scr_CaptureBlock(static_cast<float>(x), static_cast<float>(y),
                             static_cast<float>(x + width - 1), static_cast<float>(y + height - 1));
        ASSERT_EQ(Err_Pending(), 0u);
        EXPECT_EQ(captured, BufferBytes(buffer, captured.size()));
    }
}

struct Hair {
    const char* man;
    const char* woman;
    int womanY;
};
constexpr Hair kHair[] = {
    {"capbi.grh", "capbid.grh", 190},   {"capro.grh", "caprod.grh", 191},
    {"capcas.grh", "capcasd.grh", 191}, {"capner.grh", "capnerd.grh", 191},
    {"capbri.grh", "capbrid.grh", 190}, {"capbia.grh", "capbiad.grh", 191},
    {"legbri.grh", "legbrid.grh", 190}, {"bioscu.grh", "bioscud.grh", 190},
    {"cachi.grh", "cachid.grh", 190},   {"calvo.grh", "capbrid.grh", 190},
};

void Load(const char* name, PictureBuffer& buffer) {
    LoadPicture(name, buffer);
    ASSERT_EQ(Err_Pending(), 0u) << name;
    ASSERT_FALSE(BufferIsZero(buffer)) << name;
}

TEST_F(PicturesTest, InstructionsScreenPictures) {
    PictureBuffer tile(kTileWords);
    PictureBuffer title(kTitlePictureWords);
    Load("tel2.grh", tile);
    Load("simgra.grh", title);
    for (int x = 3; x <= 588; x += 45) {
        PutAndCheck(x, 1, tile, kPutOverwrite, "tel2");
        PutAndCheck(x, 449, tile, kPutOverwrite, "tel2");
    }
    for (int y = 29; y <= 421; y += 28) {
        PutAndCheck(3, y, tile, kPutOverwrite, "tel2");
        PutAndCheck(588, y, tile, kPutOverwrite, "tel2");
    }
    PutAndCheck(76, 40, title, kPutOverwrite, "simgra");
}

TEST_F(PicturesTest, HighScoreScreenPictures) {
    Scr_SetMode(7, 0, 0, 0, 1);
    PictureBuffer tile(kTileWords);
    Load("cor.grh", tile);
    for (int x = 0; x <= 280; x += 40) {
        for (int y : {1, 97, 169}) PutAndCheck(x, y, tile, kPutOverwrite, "cor");
    }
    for (int y = 25; y <= 145; y += 24) {
        PutAndCheck(0, y, tile, kPutOverwrite, "cor");
        PutAndCheck(280, y, tile, kPutOverwrite, "cor");
    }
}

// The telephone screen's 25 buffers, made and loaded in the game's order.
struct TelephonePictures {
    PictureBuffer tel{kTileWords};
    PictureBuffer lin{kLinePieceWords};
    PictureBuffer spaz{kTileWords};
    PictureBuffer faccia{kTileWords};
    std::vector<std::unique_ptr<PictureBuffer>> menHair;
    PictureBuffer corni{kPortraitFrameWords};
    std::vector<std::unique_ptr<PictureBuffer>> womenHair;
    PictureBuffer factri{kTileWords};

    static constexpr const char* kWomenFiles[] = {"capbid.grh",  "caprod.grh",  "capcasd.grh",
                                                  "capnerd.grh", "capbrid.grh", "capbiad.grh",
                                                  "legbrid.grh", "bioscud.grh", "cachid.grh"};

    void LoadAll() {
        Load("tel.grh", tel);
        Load("lin.grh", lin);
        LoadPicture("spaz.grh", spaz);  // blank: only its size words are non-zero
        ASSERT_EQ(Err_Pending(), 0u);
        Load("faccia.grh", faccia);
        for (const Hair& hair : kHair) {
            menHair.push_back(std::make_unique<PictureBuffer>(kTileWords));
            Load(hair.man, *menHair.back());
        }
        Load("corni.grh", corni);
        for (const char* name : kWomenFiles) {
            womenHair.push_back(std::make_unique<PictureBuffer>(kTileWords));
            Load(name, *womenHair.back());
        }
        Load("factri.grh", factri);
    }
    PictureBuffer& WomanHair(const char* name) {
        for (size_t i = 0; i < std::size(kWomenFiles); ++i) {
            if (std::string(kWomenFiles[i]) == name) return *womenHair[i];
        }
        return *womenHair[0];
    }
};

TEST_F(PicturesTest, TelephoneScreenPictures) {
    TelephonePictures pictures;
    pictures.LoadAll();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Rt_ConventionalBlockCount(), 25u);
    for (int x = 8; x <= 416; x += 34) PutAndCheck(x, 399, pictures.lin, kPutOverwrite, "lin");
    PutAndCheck(420, 399, pictures.lin, kPutOverwrite, "lin");
    // Every digit sum a dialled number can have: the telephone and both places of its eraser.
    for (int sum = 1; sum <= 54; ++sum) {
        PutAndCheck(8 * sum + 11, 384, pictures.tel, kPutOverwrite, "tel");
        PutAndCheck(8 * sum + 11, 384, pictures.spaz, kPutOverwrite, "spaz");
        PutAndCheck(8 * sum, 384, pictures.spaz, kPutOverwrite, "spaz");
    }
}

TEST_F(PicturesTest, ConversationPortraits) {
    TelephonePictures pictures;
    pictures.LoadAll();
    ASSERT_FALSE(HasFatalFailure());
    for (bool culprit : {false, true}) {
        for (const Hair& hair : kHair) {
            for (bool woman : {false, true}) {
                if (culprit && woman) continue;  // the culprit is always a man
                Clear();
                PutAndCheck(206, 190, pictures.corni, kPutOverwrite, "corni");
                PutAndCheck(208, 190, culprit ? pictures.factri : pictures.faccia, kPutExclusiveOr,
                            "face");
                const size_t index = static_cast<size_t>(&hair - kHair);
                PictureBuffer& hair_picture =
                    woman ? pictures.WomanHair(hair.woman) : *pictures.menHair[index];
                PutAndCheck(208, woman ? hair.womanY : 190, hair_picture, kPutExclusiveOr,
                            woman ? hair.woman : hair.man);
                for (int x : {221, 224, 235, 238}) {
                    Scr_Line(static_cast<float>(x), 202, static_cast<float>(x + 1), 202, 0,
                             kShapeLine, 0, kLineFirstGiven);
                }
                ASSERT_EQ(Err_Pending(), 0u);
            }
        }
    }
}

TEST_F(PicturesTest, SuspectListPhotographs) {
    TelephonePictures pictures;
    pictures.LoadAll();
    ASSERT_FALSE(HasFatalFailure());
    for (size_t h = 0; h < std::size(kHair); ++h) {
        for (int i = 1; i <= 10; ++i) {
            const int y = 32 * i + 66;
            PutAndCheck(587, y, *pictures.menHair[h], kPutOverwrite, kHair[h].man);
            PutAndCheck(585, y, pictures.corni, kPutExclusiveOr, "corni");
            PutAndCheck(587, y, pictures.faccia, kPutExclusiveOr, "faccia");
            for (int x : {600, 603, 614, 617}) {
                Scr_Line(static_cast<float>(x), static_cast<float>(y + 12),
                         static_cast<float>(x + 1), static_cast<float>(y + 12), 0, kShapeLine, 0,
                         kLineFirstGiven);
            }
            ASSERT_EQ(Err_Pending(), 0u);
        }
    }
}

}  // namespace

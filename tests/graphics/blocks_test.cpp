// Scr_PutBlock in every action and row layout, its fit, clip and mask rules, and the capture.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "graphics_fixture.h"

namespace {

// A four-plane block of a 4-bit screen from one colour per pixel, row by row.
std::vector<uint8_t> FourPlane(int w, int h, const std::vector<uint8_t>& colours) {
    const int r = (w + 7) / 8;
    std::vector<uint8_t> block(4 + static_cast<size_t>(4 * r * h), 0);
    block[0] = static_cast<uint8_t>(w);
    block[1] = static_cast<uint8_t>(w >> 8);
    block[2] = static_cast<uint8_t>(h);
    block[3] = static_cast<uint8_t>(h >> 8);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t c = colours[static_cast<size_t>(y * w + x)];
            for (int p = 0; p < 4; ++p) {
                if ((c >> p) & 1)
                    block[4 + static_cast<size_t>(y * 4 * r + p * r + x / 8)] |= 0x80 >> (x % 8);
            }
        }
    }
    return block;
}

std::vector<uint8_t> Solid(int w, int h, uint8_t colour) {
    return FourPlane(w, h, std::vector<uint8_t>(static_cast<size_t>(w * h), colour));
}

void Put(float x, float y, const std::vector<uint8_t>& block, int32_t action, int32_t given = 0,
         uint32_t mask = 0) {
    Scr_PutBlock(x, y, block.data(), block.size(), action, mask, given);
}

TEST_F(GraphicsTest, SixteenBySixteenFitsAtTheRightEdgeAndNotPastIt) {
    const std::vector<uint8_t> block = Solid(16, 16, 9);
    Put(624, 0, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(At(624, 0), 9u);
    EXPECT_EQ(At(639, 15), 9u);
    EXPECT_EQ(Lit().size(), 256u);
    Clear();
    Put(630, 0, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(GraphicsTest, BlocksOffAnyEdgeRaiseFiveAndDrawNothing) {
    const std::vector<uint8_t> block = Solid(16, 16, 9);
    for (auto [x, y] :
         {std::pair{-1, 0}, std::pair{0, -1}, std::pair{0, 465}, std::pair{625, 464}}) {
        Put(static_cast<float>(x), static_cast<float>(y), block, kPutOverwrite);
        EXPECT_EQ(Err_Pending(), 5u) << x << "," << y;
        Err_Reset();
    }
    Put(0, 464, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Lit().size(), 256u);
}

TEST_F(GraphicsTest, ClipRequestDrawsWhatLiesOnTheImage) {
    const std::vector<uint8_t> block = Solid(16, 16, 9);
    Put(630, -4, block, kPutOverwrite, kBlockClip);
    EXPECT_EQ(Err_Pending(), 0u);
    Points expected;
    for (int y = 0; y < 12; ++y) {
        for (int x = 630; x < 640; ++x) expected.insert({x, y});
    }
    EXPECT_EQ(Lit(), expected);
}

TEST_F(GraphicsTest, OverwriteReplacesColourZeroToo) {
    for (int y = 100; y < 104; ++y) {
        for (int x = 200; x < 204; ++x) Set(x, y, 12);
    }
    std::vector<uint8_t> colours(16, 0);
    colours[5] = 3;
    Put(200, 100, FourPlane(4, 4, colours), kPutOverwrite);
    EXPECT_EQ(Lit(), (Points{{201, 101}}));
    EXPECT_EQ(At(201, 101), 3u);
}

TEST_F(GraphicsTest, EveryAction) {
    const std::vector<uint8_t> block = FourPlane(1, 1, {0b0110});
    const struct {
        int32_t action;
        uint32_t expected;
    } cases[] = {
        {kPutExclusiveOrPlain, 0b1100 ^ 0b0110},
        {kPutOverwrite, 0b0110},
        {kPutInverted, 0b1001},
        {kPutAnd, 0b0100},
        {kPutOr, 0b1110},
        {kPutExclusiveOr, 0b1010},
    };
    for (const auto& c : cases) {
        Set(50, 50, 0b1100);
        Put(50, 50, block, c.action);
        EXPECT_EQ(At(50, 50), c.expected) << "action " << c.action;
    }
    Put(50, 50, block, 6);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Put(50, 50, block, -1);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(GraphicsTest, ExclusiveOrTwiceRestores) {
    std::vector<uint8_t> colours(64);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>(i % 16);
    const std::vector<uint8_t> block = FourPlane(8, 8, colours);
    Set(3, 3, 7);
    Put(0, 0, block, kPutExclusiveOr);
    EXPECT_EQ(At(3, 3), 7u ^ colours[3 * 8 + 3]);
    Put(0, 0, block, kPutExclusiveOr);
    EXPECT_EQ(Lit(), (Points{{3, 3}}));
}

TEST_F(GraphicsTest, MaskColourSkipsItsPixels) {
    for (int x = 0; x < 4; ++x) Set(x, 0, 8);
    Put(0, 0, FourPlane(4, 1, {1, 5, 1, 0}), kPutOverwrite, kBlockMask, 0x21);  // low 4 bits: 1
    EXPECT_EQ(At(0, 0), 8u);
    EXPECT_EQ(At(1, 0), 5u);
    EXPECT_EQ(At(2, 0), 8u);
    EXPECT_EQ(At(3, 0), 0u);
}

TEST_F(GraphicsTest, FourBitBlockOfWidthTenIgnoresTheSpareBits) {
    std::vector<uint8_t> colours(20);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>((i * 7) % 16);
    std::vector<uint8_t> block = FourPlane(10, 2, colours);
    ASSERT_EQ(block.size(), 4u + 2 * 8);  // 2 bytes per plane, 8 per row
    // Fill bits 5-0 of every plane's second byte.
    for (int row = 0; row < 2; ++row) {
        for (int plane = 0; plane < 4; ++plane)
            block[4 + static_cast<size_t>(row * 8 + plane * 2 + 1)] |= 0x3F;
    }
    Put(100, 200, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(At(100 + x, 200 + y), colours[static_cast<size_t>(y * 10 + x)]);
        for (int x = 10; x < 16; ++x) EXPECT_EQ(At(100 + x, 200 + y), 0u);
    }
}

TEST_F(GraphicsTest, BlockShorterThanItsSizeWordsRaisesFive) {
    std::vector<uint8_t> block = Solid(10, 3, 4);
    Scr_PutBlock(0, 0, block.data(), block.size() - 1, kPutOverwrite, 0, 0);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_TRUE(Lit().empty());
    Err_Reset();
    Scr_PutBlock(0, 0, block.data(), 3, kPutOverwrite, 0, 0);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    // Width and height 0 draw nothing and need nothing but the size words.
    const uint8_t empty[4] = {0, 0, 0, 0};
    Scr_PutBlock(10, 10, empty, sizeof empty, kPutOverwrite, 0, 0);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(GraphicsTest, RelativePositionMovesTheLastPoint) {
    Page().lastPointX = 20;
    Page().lastPointY = 30;
    Put(5, 6, Solid(1, 1, 2), kPutOverwrite, kBlockRelative);
    EXPECT_EQ(Lit(), (Points{{25, 36}}));
    EXPECT_EQ(Page().lastPointX, 25.0f);
    EXPECT_EQ(Page().lastPointY, 36.0f);
}

TEST_F(GraphicsTest, BlockPositionIsMappedLikeAnyPoint) {
    Page().viewState = 1;
    Page().viewOriginX = 10;
    Page().viewOriginY = 20;
    Put(2.5f, 3.5f, Solid(1, 1, 2), kPutOverwrite);
    EXPECT_EQ(Lit(), (Points{{12, 24}}));
}

TEST_F(GraphicsTest, BlocksAreNotClippedToTheGraphicsView) {
    SetView(100, 100, 110, 110);
    Put(0, 0, Solid(2, 2, 1), kPutOverwrite);
    EXPECT_EQ(Lit().size(), 4u);
}

TEST_F(GraphicsTest, TextImagesAndPendingErrorsDrawNothing) {
    const std::vector<uint8_t> block = Solid(2, 2, 1);
    Err_Raise(54);
    Put(0, 0, block, kPutOverwrite);
    EXPECT_TRUE(Lit().empty());
    EXPECT_EQ(Err_Pending(), 54u);
    Err_Reset();
    Scr_SetMode(0, 0, 0, 0, 1);
    Put(0, 0, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(GraphicsTest, OneBitRows) {
    Scr_SetMode(11, 0, 0, 0, 1);
    // Width 10: 2 bytes per row, leftmost pixel in bit 7.
    const std::vector<uint8_t> block = {10,         0,          2,          0,
                                        0b10100000, 0b01111111, 0b00000001, 0b11000000};
    Put(3, 4, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Lit(), (Points{{3, 4}, {5, 4}, {12, 4}, {10, 5}, {11, 5}, {12, 5}}));
}

TEST_F(GraphicsTest, TwoBitRowsHaveAnEvenWidthWord) {
    Scr_SetMode(1, 0, 0, 0, 1);
    // 5 pixels: width word 10, 2 bytes per row, leftmost pixel in bits 7-6.
    const std::vector<uint8_t> block = {10, 0, 1, 0, 0b00011011, 0b10000000};
    Put(0, 0, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(At(0, 0), 0u);
    EXPECT_EQ(At(1, 0), 1u);
    EXPECT_EQ(At(2, 0), 2u);
    EXPECT_EQ(At(3, 0), 3u);
    EXPECT_EQ(At(4, 0), 2u);
    EXPECT_EQ(At(5, 0), 0u);
    const std::vector<uint8_t> odd = {9, 0, 1, 0, 0, 0};
    Put(0, 0, odd, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(GraphicsTest, EightBitRowsHaveAWidthWordOfEightPerPixel) {
    Scr_SetMode(13, 0, 0, 0, 1);
    const std::vector<uint8_t> block = {24, 0, 2, 0, 200, 0, 17, 1, 2, 255};
    Put(318, 198, block, kPutOverwrite, kBlockClip);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(At(318, 198), 200u);
    EXPECT_EQ(At(319, 198), 0u);
    EXPECT_EQ(At(318, 199), 1u);
    EXPECT_EQ(At(319, 199), 2u);
    Put(0, 0, block, kPutOr);
    EXPECT_EQ(At(2, 0), 17u);
    EXPECT_EQ(At(2, 1), 255u);
    const std::vector<uint8_t> bad = {12, 0, 1, 0, 1, 2};
    Put(0, 0, bad, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(GraphicsTest, ThirtyTwoBitRows) {
    const int32_t image = Scr_NewImage(8, 4, kMode32Bit);
    ASSERT_NE(image, 0);
    Scr_SetMode(-image, 0, 0, 0, 1);
    ASSERT_EQ(Err_Pending(), 0u);
    ASSERT_EQ(Page().bitsPerPixel, 32);
    const std::vector<uint8_t> block = {2, 0, 1, 0, 0x44, 0x33, 0x22, 0x11, 0x01, 0x00, 0x00, 0xFF};
    Put(6, 3, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(At(6, 3), 0x11223344u);
    EXPECT_EQ(At(7, 3), 0xFF000001u);
    Put(6, 3, block, kPutInverted);
    EXPECT_EQ(At(6, 3), ~0x11223344u);
    Put(7, 3, block, kPutOverwrite);
    EXPECT_EQ(Err_Pending(), 5u);
}

// Random pixels captured, cleared and put back come out the same, in every layout.
void ExpectCaptureRoundTrips(int left, int top, int right, int bottom) {
    std::mt19937 random(12345);
    const uint32_t mask = Page().colourMask;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) Set(x, y, static_cast<uint32_t>(random()) & mask);
    }
    std::vector<uint32_t> before;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) before.push_back(At(x, y));
    }
    const std::vector<uint8_t> block =
        Scr_CaptureBlock(static_cast<float>(right), static_cast<float>(bottom),
                         static_cast<float>(left), static_cast<float>(top));
    ASSERT_EQ(Err_Pending(), 0u);
    ASSERT_EQ(block.size(), Scr_BlockBytes(Page(), right - left + 1, bottom - top + 1));
    Clear();
    Put(static_cast<float>(left), static_cast<float>(top), block, kPutOverwrite);
    ASSERT_EQ(Err_Pending(), 0u);
    std::vector<uint32_t> after;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) after.push_back(At(x, y));
    }
    EXPECT_EQ(after, before);
    EXPECT_EQ(Lit().size(), static_cast<size_t>(std::count_if(before.begin(), before.end(),
                                                              [](uint32_t c) { return c != 0; })));
}

TEST_F(GraphicsTest, CaptureRoundTripsOnAFourBitScreen) {
    ExpectCaptureRoundTrips(5, 7, 27, 19);  // 23 pixels wide: spare bits in every plane
    Clear();
    ExpectCaptureRoundTrips(600, 440, 639, 479);
}

TEST_F(GraphicsTest, CaptureRoundTripsInEveryLayout) {
    for (int32_t mode : {2, 1, 13, 7}) {
        SCOPED_TRACE(mode);
        Scr_SetMode(mode, 0, 0, 0, 1);
        ExpectCaptureRoundTrips(3, 2, 21, 9);
    }
    const int32_t image = Scr_NewImage(16, 16, kMode32Bit);
    Scr_SetMode(-image, 0, 0, 0, 1);
    ExpectCaptureRoundTrips(1, 1, 14, 15);
}

TEST_F(GraphicsTest, CaptureWritesTheSameLayoutThePutReads) {
    std::vector<uint8_t> colours(20);
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<uint8_t>((i * 5 + 3) % 16);
    const std::vector<uint8_t> block = FourPlane(10, 2, colours);
    Put(40, 50, block, kPutOverwrite);
    EXPECT_EQ(Scr_CaptureBlock(40, 50, 49, 51), block);
    // Width words of the 2-bit and 8-bit layouts.
    Scr_SetMode(1, 0, 0, 0, 1);
    std::vector<uint8_t> two_bit = Scr_CaptureBlock(0, 0, 4, 0);
    ASSERT_GE(two_bit.size(), 4u);
    EXPECT_EQ(two_bit[0], 10);
    EXPECT_EQ(two_bit.size(), 4u + 2);
    Scr_SetMode(13, 0, 0, 0, 1);
    std::vector<uint8_t> eight_bit = Scr_CaptureBlock(0, 0, 4, 1);
    ASSERT_GE(eight_bit.size(), 4u);
    EXPECT_EQ(eight_bit[0], 40);
    EXPECT_EQ(eight_bit[2], 2);
    EXPECT_EQ(eight_bit.size(), 4u + 10);
}

TEST_F(GraphicsTest, CaptureRefusesRectanglesOffTheImageAndSmallBlocks) {
    EXPECT_TRUE(Scr_CaptureBlock(630, 0, 640, 5).empty());
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    uint8_t small[10] = {};
    Scr_GetBlock(0, 0, 7, 1, small, sizeof small);  // needs 4 + 2 x 4 = 12
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    uint8_t enough[12] = {};
    Scr_GetBlock(0, 0, 7, 1, enough, sizeof enough);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(enough[0], 8);
    EXPECT_EQ(enough[2], 2);
}

}  // namespace

namespace {

// The presenter reads the visual page on its own thread while the program draws into it; every
// write of the drawing operations must be one it can race with safely.
TEST_F(GraphicsTest, DrawingWhileAnotherThreadReadsThePage) {
    const ImagePage& page = Page();
    std::atomic<bool> done{false};
    std::thread reader([&page, &done] {
        uint32_t sum = 0;
        while (!done.load()) {
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 64; ++x)
                    sum += Pix_Load(page.store + static_cast<size_t>(y) * page.width + x);
            }
        }
        EXPECT_GE(sum, 0u);
    });
    const std::vector<uint8_t> block = Solid(16, 16, 5);
    for (int i = 0; i < 200; ++i) {
        Put(static_cast<float>(i % 48), 0, block, i % 2 == 0 ? kPutOverwrite : kPutExclusiveOr);
        Scr_Line(0, 0, 63, 31, static_cast<uint32_t>(i), kShapeLine, 0,
                 kLineFirstGiven | kLineColourGiven);
        Scr_Line(0, 16, 63, 31, 2, kShapeFilledBox, 0, kLineFirstGiven | kLineColourGiven);
        Scr_PlotPixel(i % 64, 20, 7);
        Scr_FillBox(0, 0, 3, 3, 1);
        (void)Scr_CaptureBlock(0, 0, 63, 31);
    }
    done = true;
    reader.join();
    EXPECT_EQ(Err_Pending(), 0u);
}

}  // namespace

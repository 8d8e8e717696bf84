// Scr_Line: mapping and rounding, the stepping rule, clipping with the dash phase, boxes.
#include <cmath>
#include <vector>

#include "graphics_fixture.h"

namespace {

void Line(float x1, float y1, float x2, float y2, uint32_t colour = 15) {
    Scr_Line(x1, y1, x2, y2, colour, kShapeLine, 0, kLineFirstGiven | kLineColourGiven);
}

void Dashed(float x1, float y1, float x2, float y2, uint32_t style) {
    Scr_Line(x1, y1, x2, y2, 15, kShapeLine, style,
             kLineFirstGiven | kLineColourGiven | kLineStyleGiven);
}

TEST_F(GraphicsTest, LineZeroZeroToFourTwoPlotsExactlyFivePixels) {
    Line(0, 0, 4, 2);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(GraphicsTest, LineRunsFromTheFirstPointAndRoundsHalfAwayFromZero) {
    // Drawn backwards the minor steps are -0.5 and -1.5: away from zero they give -1 and -2.
    Line(4, 2, 0, 0);
    EXPECT_EQ(Lit(), (Points{{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
}

TEST_F(GraphicsTest, EqualPointsPlotOnePixel) {
    Line(7, 9, 7, 9, 4);
    EXPECT_EQ(Lit(), (Points{{7, 9}}));
    EXPECT_EQ(At(7, 9), 4u);
}

TEST_F(GraphicsTest, EqualDistancesStepAlongY) {
    Line(10, 10, 13, 13);
    EXPECT_EQ(Lit(), (Points{{10, 10}, {11, 11}, {12, 12}, {13, 13}}));
}

TEST_F(GraphicsTest, TheGamesTwoPixelEyeLines) {
    Scr_Color(3, 0, 0, 1);
    Scr_Line(221, 202, 222, 202, 0, kShapeLine, 0, kLineFirstGiven);
    EXPECT_EQ(Lit(), (Points{{221, 202}, {222, 202}}));
    EXPECT_EQ(At(221, 202), 3u);
    EXPECT_EQ(Page().drawingColour, 3u);
}

TEST_F(GraphicsTest, ColourIsKeptWithinTheColourMask) {
    Line(0, 0, 0, 0, 0x1F);
    EXPECT_EQ(At(0, 0), 15u);
}

TEST_F(GraphicsTest, LastPointAndRelativePoints) {
    Line(10, 20, 30, 40);
    EXPECT_EQ(Page().lastPointX, 30.0f);
    EXPECT_EQ(Page().lastPointY, 40.0f);
    Clear();
    // No first point: from the last point; second relative to the first.
    Scr_Line(0, 0, 2, 0, 15, kShapeLine, 0, kLineSecondRelative | kLineColourGiven);
    EXPECT_EQ(Lit(), (Points{{30, 40}, {31, 40}, {32, 40}}));
    EXPECT_EQ(Page().lastPointX, 32.0f);
    Clear();
    // First point relative to the last point.
    Scr_Line(1, 1, 40, 41, 15, kShapeLine, 0,
             kLineFirstGiven | kLineFirstRelative | kLineColourGiven);
    EXPECT_EQ(
        Lit(),
        (Points{{33, 41}, {34, 41}, {35, 41}, {36, 41}, {37, 41}, {38, 41}, {39, 41}, {40, 41}}));
}

TEST_F(GraphicsTest, CoordinatesRoundToNearestTiesToEven) {
    Line(2.5f, 3.5f, 2.5f, 3.5f);
    Line(100.4f, 0.6f, 100.4f, 0.6f);
    EXPECT_EQ(Lit(), (Points{{2, 4}, {100, 1}}));
}

TEST_F(GraphicsTest, WindowCoordinatesAndViewOrigin) {
    ImagePage& page = Page();
    page.viewState = 1;
    page.viewOriginX = 100;
    page.viewOriginY = 50;
    Line(1, 2, 1, 2);
    EXPECT_EQ(Lit(), (Points{{101, 52}}));
    Clear();
    page.viewState = 2;
    page.windowScaleX = 2;
    page.windowScaleY = 0.5f;
    page.windowOffsetX = 1;
    page.windowOffsetY = 0;
    Line(3, 5, 3, 5);  // (7, 2.5) -> (7, 2) -> (107, 52)
    EXPECT_EQ(Lit(), (Points{{107, 52}}));
    // The last point keeps the coordinates as given.
    EXPECT_EQ(page.lastPointX, 3.0f);
}

TEST_F(GraphicsTest, LinePartlyOffTheImageIsDrawnOnlyOnIt) {
    Line(-5, 3, 4, 3);
    EXPECT_EQ(Lit(), (Points{{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}));
    Clear();
    Line(636, 470, 645, 479);
    EXPECT_EQ(Lit(), (Points{{636, 470}, {637, 471}, {638, 472}, {639, 473}}));
    Clear();
    Line(-100, -100, -1, 479);  // wholly off the image
    Line(5000, 5000, 7000, 9000);
    EXPECT_TRUE(Lit().empty());
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(GraphicsTest, LineKeepsToTheGraphicsView) {
    SetView(10, 10, 20, 20);
    Line(0, 15, 30, 15);
    Points expected;
    for (int x = 10; x <= 20; ++x) expected.insert({x, 15});
    EXPECT_EQ(Lit(), expected);
}

// The dashes of a line clipped at its first end stay where the whole line has them: the same
// places along the major axis are lit (the minor coordinates may shift by the clipping's rounding).
std::set<int> MajorPlaces(const Points& points, bool x_major) {
    std::set<int> places;
    for (const auto& p : points) places.insert(x_major ? p.first : p.second);
    return places;
}

void ExpectClippedDashesMatch(float x1, float y1, float x2, float y2, uint32_t style, int vx1,
                              int vy1, int vx2, int vy2) {
    const bool x_major = std::abs(x2 - x1) > std::abs(y2 - y1);
    Dashed(x1, y1, x2, y2, style);
    Points whole;
    for (const auto& p : Lit()) {
        if (p.first >= vx1 && p.first <= vx2 && p.second >= vy1 && p.second <= vy2) whole.insert(p);
    }
    Clear();
    SetView(vx1, vy1, vx2, vy2);
    Dashed(x1, y1, x2, y2, style);
    const Points clipped = Lit();
    for (const auto& p : clipped) {
        EXPECT_TRUE(p.first >= vx1 && p.first <= vx2 && p.second >= vy1 && p.second <= vy2);
    }
    EXPECT_EQ(MajorPlaces(clipped, x_major), MajorPlaces(whole, x_major))
        << "style " << std::hex << style;
    EXPECT_FALSE(whole.empty());
}

TEST_F(GraphicsTest, ClippedDashedLineKeepsItsDashes) {
    // Horizontal, steep, shallow and backwards lines whose first end lies outside the view by
    // distances that are not multiples of 16.
    ExpectClippedDashesMatch(0, 15, 200, 15, 0xF0F0, 37, 0, 639, 479);
    Clear();
    SetView(0, 0, 639, 479);
    ExpectClippedDashesMatch(20, 0, 29, 150, 0xCCC3, 0, 23, 639, 479);
    Clear();
    SetView(0, 0, 639, 479);
    ExpectClippedDashesMatch(300, 90, 5, 10, 0xFF00, 0, 0, 251, 479);
    Clear();
    SetView(0, 0, 639, 479);
    ExpectClippedDashesMatch(3, 3, 120, 61, 0xE38F, 50, 10, 639, 479);
}

TEST_F(GraphicsTest, DashedLineOffTheLeftEdgeOfTheImage) {
    // The image edge is the view edge: 13 pixels skipped.
    Dashed(-13, 5, 40, 5, 0xF000);
    Points expected;
    for (int x = -13; x <= 40; ++x) {
        if (x >= 0 && ((x + 13) % 16) < 4) expected.insert({x, 5});
    }
    EXPECT_EQ(Lit(), expected);
}

TEST_F(GraphicsTest, DashStyleStartsWithItsTopBit) {
    Dashed(0, 0, 19, 0, 0x8001);
    EXPECT_EQ(Lit(), (Points{{0, 0}, {15, 0}, {16, 0}}));
}

TEST_F(GraphicsTest, OutlinedBoxDrawsFourSides) {
    Scr_Line(2, 3, 5, 6, 9, kShapeBox, 0, kLineFirstGiven | kLineColourGiven);
    Points expected;
    for (int x = 2; x <= 5; ++x) expected.insert({x, 3}), expected.insert({x, 6});
    for (int y = 3; y <= 6; ++y) expected.insert({2, y}), expected.insert({5, y});
    EXPECT_EQ(Lit(), expected);
    EXPECT_EQ(At(5, 6), 9u);
}

TEST_F(GraphicsTest, FilledBoxIsOrderedAndKeptToTheView) {
    SetView(10, 10, 19, 19);
    Scr_Line(25, 12, 5, 14, 6, kShapeFilledBox, 0, kLineFirstGiven | kLineColourGiven);
    Points expected;
    for (int y = 12; y <= 14; ++y) {
        for (int x = 10; x <= 19; ++x) expected.insert({x, y});
    }
    EXPECT_EQ(Lit(), expected);
    EXPECT_EQ(At(10, 12), 6u);
    Clear();
    Scr_Line(30, 30, 40, 40, 6, kShapeFilledBox, 0, kLineFirstGiven | kLineColourGiven);
    EXPECT_TRUE(Lit().empty());
}

TEST_F(GraphicsTest, RawWritersIgnoreTheViewButNotTheImage) {
    SetView(10, 10, 19, 19);
    Scr_PlotPixel(0, 0, 0x13);  // kept within the colour mask
    Scr_PlotPixel(-1, 0, 15);
    Scr_PlotPixel(640, 479, 15);
    Scr_FillBox(636, 477, 700, 900, 2);
    Points expected{{0, 0}};
    for (int y = 477; y <= 479; ++y) {
        for (int x = 636; x <= 639; ++x) expected.insert({x, y});
    }
    EXPECT_EQ(Lit(), expected);
    EXPECT_EQ(At(0, 0), 3u);
    EXPECT_EQ(At(639, 479), 2u);
}

TEST_F(GraphicsTest, UnknownShapeAndTextImagesRaiseFive) {
    Scr_Line(0, 0, 5, 5, 15, 3, 0, kLineFirstGiven);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_SetMode(0, 0, 0, 0, 1);
    Scr_Line(0, 0, 5, 5, 15, kShapeLine, 0, kLineFirstGiven);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(GraphicsTest, NothingIsDrawnWhileAnErrorIsPending) {
    Err_Raise(53);
    Line(0, 0, 10, 10);
    EXPECT_TRUE(Lit().empty());
    EXPECT_EQ(Err_Pending(), 53u);
}

}  // namespace

// Mode changes, pages, the image table, Scr_Cls and where video memory lives.
#include <thread>

#include "screen_fixture.h"

namespace {

using ModesTest = ScreenTest;

TEST_F(ModesTest, StartUpScreenIsTextInLowMemory) {
    ImagePage& page = Active();
    EXPECT_EQ(page.text, 1);
    EXPECT_EQ(page.width, 80);
    EXPECT_EQ(page.height, 25);
    EXPECT_EQ(page.font, 16);
    EXPECT_EQ(page.foreground, 7);
    EXPECT_EQ(page.store, Rt_LowMemory() + 0xB8000);
    EXPECT_EQ(page.textViewBottom, 24);
    EXPECT_TRUE(Scr_ModeNotChosen());
    // Eight pages of 4096 bytes one after another, the whole area blank with attribute 7.
    EXPECT_EQ(Scr_Image(Scr_PageHandle(7))->store, Rt_LowMemory() + 0xB8000 + 7 * 4096);
    EXPECT_EQ(Scr_Image(Scr_PageHandle(7))->palette, page.palette);
    EXPECT_EQ(Rt_LowMemory()[0xB8000 + 65534], 0x20);
    EXPECT_EQ(Rt_LowMemory()[0xB8000 + 65535], 0x07);
    EXPECT_EQ(Scr_DisplayHandle(), 2);
}

TEST_F(ModesTest, InvalidModesAreRefused) {
    for (int mode : {3, 4, 5, 6, 14, 32, 256}) {
        Scr_SetMode(mode, 0, 0, 0, 1);
        EXPECT_EQ(Err_Pending(), 5u) << mode;
        Err_Reset();
    }
    Scr_SetMode(-1, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 258u);
    Err_Reset();
    Scr_SetMode(-500, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 258u);
    Err_Reset();
    Scr_SetMode(0, 0, -1, 0, 4);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Active().mode, 0);
    EXPECT_TRUE(Scr_ModeNotChosen());
}

TEST_F(ModesTest, SameModeTwiceKeepsThePicture) {
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_FALSE(Scr_ModeNotChosen());
    const int32_t handle = Scr_ActiveHandle();
    Active().store[1000] = 9;
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_EQ(Scr_ActiveHandle(), handle);
    EXPECT_EQ(Active().store[1000], 9);
}

TEST_F(ModesTest, ModeSevenThenTwelveGivesAFreshBlackScreen) {
    Scr_SetMode(7, 0, 0, 0, 1);
    EXPECT_EQ(Active().width, 320);
    EXPECT_EQ(Active().height, 200);
    EXPECT_EQ(Active().font, 8);
    EXPECT_EQ(Active().textViewBottom, 24);
    Scr_Color(3, 0, 0, 1);
    Scr_Print("Brunolt", true);
    Scr_SetMode(12, 0, 0, 0, 1);
    ImagePage& page = Active();
    EXPECT_EQ(page.width, 640);
    EXPECT_EQ(page.height, 480);
    EXPECT_EQ(page.bitsPerPixel, 4);
    EXPECT_EQ(page.colourMask, 15u);
    EXPECT_EQ(page.foreground, 15);
    EXPECT_EQ(page.background, 0u);
    EXPECT_EQ(page.cursorRow, 1);
    EXPECT_EQ(page.cursorColumn, 1);
    EXPECT_EQ(page.textViewTop, 1);
    EXPECT_EQ(page.textViewBottom, 29);
    EXPECT_EQ(page.lastPointX, 320.0f);
    EXPECT_EQ(page.lastPointY, 240.0f);
    for (size_t i = 0; i < 640u * 480u; ++i) ASSERT_EQ(page.store[i], 0) << i;
}

TEST_F(ModesTest, ModeThirteenLivesInLowMemory) {
    Rt_LowMemory()[0xA0000 + 5] = 77;
    Scr_SetMode(13, 0, 0, 0, 1);
    EXPECT_EQ(Active().store, Rt_LowMemory() + 0xA0000);
    EXPECT_EQ(Active().store[5], 0);
    EXPECT_EQ(Active().colourMask, 255u);
}

TEST_F(ModesTest, TextScreenAfterFortyColumnGraphics) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_SetMode(0, 0, 0, 0, 1);
    ImagePage& page = Active();
    EXPECT_EQ(page.width, 40);
    EXPECT_EQ(page.height, 25);
    EXPECT_EQ(page.font, 17);
    // 2048-byte pages, all eight in the text area.
    EXPECT_EQ(Scr_Image(Scr_PageHandle(1))->store, Rt_LowMemory() + 0xB8000 + 2048);
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_SetMode(0, 0, 0, 0, 1);
    EXPECT_EQ(Active().width, 80);
    EXPECT_EQ(Active().height, 25);
    EXPECT_EQ(Active().font, 16);
}

TEST_F(ModesTest, PagesAreMadeOnDemandAndSharePageZerosPalette) {
    Scr_SetMode(12, 0, 0, 0, 1);
    const int32_t first = Scr_ActiveHandle();
    Scr_Color(4, 0, 0, 1);
    Scr_SetMode(0, 0, 1, 0, 4);  // active page 1; visual follows
    EXPECT_EQ(Err_Pending(), 0u);
    const int32_t second = Scr_ActiveHandle();
    EXPECT_NE(second, first);
    EXPECT_EQ(Scr_VisualHandle(), second);
    EXPECT_EQ(Scr_Image(second)->palette, Scr_Image(first)->palette);
    EXPECT_EQ(Active().foreground, 15);
    Scr_SetMode(0, 0, 0, 1, 12);  // draw on 0, show 1
    EXPECT_EQ(Scr_ActiveHandle(), first);
    EXPECT_EQ(Scr_VisualHandle(), second);
    EXPECT_EQ(Active().foreground, 15);
}

TEST_F(ModesTest, ImageTableHandsOutFreedHandlesLastFirst) {
    const int32_t a = Scr_NewImage(10, 10, 13);
    const int32_t b = Scr_NewImage(10, 10, 256);
    const int32_t c = Scr_NewImage(10, 10, 32);
    ASSERT_NE(a, 0);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, a + 2);
    EXPECT_EQ(Scr_Image(c)->palette, nullptr);
    EXPECT_EQ(Scr_Image(c)->background, 0xFF000000u);
    Scr_FreeImage(a);
    Scr_FreeImage(b);
    EXPECT_EQ(Scr_Image(a), nullptr);
    EXPECT_EQ(Scr_NewImage(4, 4, 12), b);
    EXPECT_EQ(Scr_NewImage(4, 4, 12), a);
    EXPECT_EQ(Scr_NewImage(4, 4, 12), c + 1);
    EXPECT_EQ(Scr_NewImage(0, 4, 12), 0);
    EXPECT_EQ(Scr_NewImage(4, 4, 5), 0);
    Scr_FreeImage(Scr_ActiveHandle());
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_FreeImage(1);
    EXPECT_EQ(Err_Pending(), 258u);
}

TEST_F(ModesTest, ImageTableGrowsPastItsFirstBlock) {
    int32_t last = 0;
    for (int i = 0; i < 4200; ++i) last = Scr_NewImage(1, 1, 13);
    EXPECT_GT(last, 4096);
    ASSERT_NE(Scr_Image(last), nullptr);
    EXPECT_EQ(Scr_Image(last)->width, 1);
}

TEST_F(ModesTest, TextImagesStartBlank) {
    const int32_t handle = Scr_NewImage(3, 2, 0);
    const ImagePage& image = *Scr_Image(handle);
    EXPECT_EQ(image.text, 1);
    EXPECT_EQ(image.store[0], 0x20);
    EXPECT_EQ(image.store[11], 0x07);
    EXPECT_EQ(image.textViewBottom, 1);
}

TEST_F(ModesTest, ImageMadeTheScreen) {
    const int32_t handle = Scr_NewImage(100, 50, 256);
    Scr_SetMode(-handle, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Scr_ActiveHandle(), handle);
    EXPECT_EQ(Scr_VisualHandle(), handle);
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_NE(Scr_Image(handle), nullptr);  // an image stays when the screen changes
    EXPECT_EQ(Active().mode, 12);
}

TEST_F(ModesTest, ClsClearsTheWholeScreenToTheBackground) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(15, 2, 0, 3);
    Scr_Locate(10, 10, 0, 0, 0, 3);
    Active().store[640 * 479 + 639] = 5;
    Scr_Cls(0, 0, 0);
    for (size_t i = 0; i < 640u * 480u; ++i) ASSERT_EQ(Active().store[i], 2) << i;
    EXPECT_EQ(Active().cursorRow, 1);
    EXPECT_EQ(Active().cursorColumn, 1);
    Scr_Cls(0, 16, 2);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Cls(3, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Cls(0, 7, 3);
    EXPECT_EQ(Active().store[12345], 7);
}

TEST_F(ModesTest, ClsMethodTwoClearsOnlyTheTextView) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Cls(0, 9, 3);
    Scr_SetTextView(2, 3, 3);
    Scr_Cls(2, 0, 1);
    EXPECT_EQ(PixelAt(Active(), 0, 15), 9);
    EXPECT_EQ(PixelAt(Active(), 0, 16), 0);
    EXPECT_EQ(PixelAt(Active(), 639, 47), 0);
    EXPECT_EQ(PixelAt(Active(), 0, 48), 9);
    EXPECT_EQ(Active().cursorRow, 2);
}

TEST_F(ModesTest, ClsOnTextFillsViewAndLastRow) {
    Scr_Color(14, 1, 0, 3);
    Scr_Cls(0, 0, 0);
    const uint8_t* cells = Active().store;
    EXPECT_EQ(cells[0], 0x20);
    EXPECT_EQ(cells[1], 0x1E);
    EXPECT_EQ(cells[(24 * 80 + 79) * 2 + 1], 0x1E);
}

TEST_F(ModesTest, ModeChangeWaitsForThePresenterWhileTheLoopRuns) {
    SharedWords& words = Rt_Words();
    words.loopRunning = 1;
    std::atomic<bool> done{false};
    std::thread presenter([&] {
        // Stands for the presenter: grants each request, and checks that nobody else
        // replaces the pages while it is not granted.
        while (!done.load()) {
            int32_t requested = 1;
            words.modeHandshake.compare_exchange_strong(requested, 2);
            std::this_thread::yield();
        }
    });
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_EQ(words.modeHandshake.load(), 0);
    EXPECT_EQ(Active().width, 640);
    done = true;
    presenter.join();
}

TEST_F(ModesTest, ModeChangeGivesUpWhenTheProgramIsStopping) {
    SharedWords& words = Rt_Words();
    words.loopRunning = 1;
    words.stop = 1;  // nobody will ever grant the request
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_EQ(words.modeHandshake.load(), 0);
}

}  // namespace

// A fresh screen in a chosen mode for each graphics test, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "errors.h"
#include "graphics.h"
#include "low_memory.h"
#include "platform.h"
#include "screen.h"
#include "shared_words.h"

class GraphicsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::Plat_Install(plat::Platform{});
        Rt_ResetWords();
        Rt_ClearLowMemory();
        Scr_Startup();
        Scr_SetMode(12, 0, 0, 0, 1);
        ASSERT_EQ(Err_Pending(), 0u);
    }
    void TearDown() override {
        Rt_ResetWords();
        plat::Plat_Install(plat::Platform{});
    }
};

using Points = std::set<std::pair<int, int>>;

// Pixels of the active page.
inline ImagePage& Page() {
    return *Scr_ActivePage();
}
inline uint32_t At(int x, int y) {
    const ImagePage& page = Page();
    const uint8_t* p = page.store + (static_cast<size_t>(y) * page.width + x) * page.bytesPerPixel;
    return page.bytesPerPixel == 4 ? Pix_Load32(p) : p[0];
}
inline void Set(int x, int y, uint32_t colour) {
    ImagePage& page = Page();
    uint8_t* p = page.store + (static_cast<size_t>(y) * page.width + x) * page.bytesPerPixel;
    if (page.bytesPerPixel == 4) {
        Pix_Store32(p, colour);
    } else {
        p[0] = static_cast<uint8_t>(colour);
    }
}
// Every pixel that is not 0, as (x, y).
inline std::set<std::pair<int, int>> Lit() {
    std::set<std::pair<int, int>> lit;
    const ImagePage& page = Page();
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (At(x, y) != 0) lit.insert({x, y});
        }
    }
    return lit;
}
inline void Clear() {
    ImagePage& page = Page();
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) Set(x, y, 0);
    }
}
inline void SetView(int x1, int y1, int x2, int y2) {
    ImagePage& page = Page();
    page.viewX1 = x1;
    page.viewY1 = y1;
    page.viewX2 = x2;
    page.viewY2 = y2;
}

// Replay scripts and key names.
#include <gtest/gtest.h>

#include <SDL_keysym.h>

#include "key_names.h"
#include "replay_driver.h"
#include "script.h"

namespace {

TEST(ReplayScript, LinesCommentsAndTheRestOfALine) {
    const auto lines = Script_Parse("# a comment\n\nkey Enter 3\r\nexpect 2 5 Premi un Tasto...\n  type ab c\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].command, "key");
    EXPECT_EQ(lines[0].words, (std::vector<std::string>{"Enter", "3"}));
    EXPECT_EQ(lines[1].rest, "2 5 Premi un Tasto...");
    EXPECT_EQ(lines[2].command, "type");
    EXPECT_EQ(lines[2].rest, "ab c");
    EXPECT_EQ(Replay_ParseClock("14:59:07"), 14 * 3600 + 59 * 60 + 7);
    EXPECT_EQ(Replay_ParseClock("24:00:00"), -1);
    EXPECT_EQ(Replay_ParseClock("10:00"), -1);
}

TEST(ReplayScript, KeyNamesBecomeTheEventsOfAKeyboard) {
    using Kind = plat::WindowEvent::Kind;
    std::vector<plat::WindowEvent> events;
    ASSERT_TRUE(Keys_Press("Enter", events));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::KeyDown);
    EXPECT_EQ(events[0].sym, static_cast<uint32_t>(SDLK_RETURN));
    EXPECT_EQ(events[0].unicode, 13);
    EXPECT_EQ(events[1].kind, Kind::KeyUp);

    ASSERT_TRUE(Keys_Press("Alt+Enter", events));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].sym, static_cast<uint32_t>(SDLK_LALT));
    EXPECT_EQ(events[1].sym, static_cast<uint32_t>(SDLK_RETURN));
    EXPECT_NE(events[1].mod & KMOD_LALT, 0u);
    EXPECT_EQ(events[3].sym, static_cast<uint32_t>(SDLK_LALT));
    EXPECT_EQ(events[3].kind, Kind::KeyUp);

    ASSERT_TRUE(Keys_Press("Ctrl+C", events));
    EXPECT_EQ(events[2].sym, static_cast<uint32_t>('c'));
    EXPECT_EQ(events[2].unicode, 3);

    ASSERT_TRUE(Keys_Press("Shift+Tab", events));
    EXPECT_EQ(events[0].sym, static_cast<uint32_t>(SDLK_LSHIFT));
    EXPECT_EQ(events[1].sym, static_cast<uint32_t>(SDLK_TAB));

    ASSERT_TRUE(Keys_Press("F4", events));
    EXPECT_EQ(events[0].sym, static_cast<uint32_t>(SDLK_F4));
    EXPECT_EQ(events[0].unicode, 0);

    ASSERT_TRUE(Keys_Press("M", events));  // a capital letter is typed with Shift
    EXPECT_EQ(events[0].sym, static_cast<uint32_t>(SDLK_LSHIFT));
    EXPECT_EQ(events[1].sym, static_cast<uint32_t>('m'));
    EXPECT_EQ(events[1].unicode, 'M');

    EXPECT_EQ(Keys_TypeChar(' ')[0].sym, static_cast<uint32_t>(SDLK_SPACE));
    EXPECT_EQ(Keys_TypeChar('!')[1].unicode, '!');
    EXPECT_FALSE(Keys_Press("Hyper+X", events));
    EXPECT_FALSE(Keys_Press("F13", events));
}

}  // namespace

// The game's command line: --help and --version are answered, the display options read, a
// wrong scale refused, every other argument ignored.
#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "Brunolt");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, HelpAndVersionAreAnsweredAndOtherArgumentsIgnored) {
    EXPECT_EQ(Parse({}).action, CommandLineAction::Play);
    EXPECT_EQ(Parse({"a", "b", "-x", "--helpme", "-h", "--Version", "--scales", "-s"}).action,
              CommandLineAction::Play);
    EXPECT_EQ(Parse({"--help"}).action, CommandLineAction::ShowHelp);
    EXPECT_EQ(Parse({"a", "--version", "--help"}).action, CommandLineAction::ShowVersion);
    EXPECT_EQ(Parse({"--scale", "0", "--help"}).action, CommandLineAction::ShowHelp);
    EXPECT_EQ(CommandLineVersion(), "Brunolt " PROJECT_VERSION "\n");
    const std::string help = CommandLineHelp();
    EXPECT_EQ(help.rfind("Usage: brunolt [--scale N] [--fullscreen] [--help] [--version]\n", 0),
              0u);
    EXPECT_EQ(help.rfind(CommandLineUsage(), 0), 0u);
    EXPECT_NE(help.find("--scale N"), std::string::npos);
    EXPECT_NE(help.find("--fullscreen"), std::string::npos);
    EXPECT_NE(help.find("~/.local/share/brunolt/tempo.max"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');
}

TEST(CommandLine, DisplayOptionsAreReadAndAWrongScaleRefused) {
    const CommandLine plain = Parse({"x"});
    EXPECT_EQ(plain.display.window_scale, 1);
    EXPECT_FALSE(plain.display.desktop_full_screen);

    const CommandLine both = Parse({"--scale", "3", "--fullscreen"});
    EXPECT_EQ(both.action, CommandLineAction::Play);
    EXPECT_EQ(both.display.window_scale, 3);
    EXPECT_TRUE(both.display.desktop_full_screen);
    EXPECT_EQ(Parse({"--scale=8"}).display.window_scale, 8);
    EXPECT_EQ(Parse({"--scale", "04"}).display.window_scale, 4);
    EXPECT_EQ(Parse({"--scale=2", "--scale", "1"}).display.window_scale, 1);  // the last counts

    for (const std::vector<const char*>& wrong : {std::vector<const char*>{"--scale"},
                                                  {"--scale", "0"},
                                                  {"--scale", "9"},
                                                  {"--scale", "-2"},
                                                  {"--scale", "+2"},
                                                  {"--scale", "2x"},
                                                  {"--scale", "99999999999"},
                                                  {"--scale", ""},
                                                  {"--scale="},
                                                  {"--scale=1.5"},
                                                  {"--scale", "--fullscreen"},
                                                  {"--scale=3", "--scale=100"}}) {
        const CommandLine line = Parse(wrong);
        EXPECT_EQ(line.action, CommandLineAction::Refuse) << wrong.size() << " " << wrong.back();
        EXPECT_EQ(line.error, "brunolt: --scale takes a whole number from 1 to 8\n");
    }
}

}  // namespace

// The game's command line: --help and --version are answered, every other argument ignored.
#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CommandLineAction Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "Brunolt");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, HelpAndVersionAreAnsweredAndOtherArgumentsIgnored) {
    EXPECT_EQ(Parse({}), CommandLineAction::Play);
    EXPECT_EQ(Parse({"a", "b", "-x", "--helpme", "-h", "--Version"}), CommandLineAction::Play);
    EXPECT_EQ(Parse({"--help"}), CommandLineAction::ShowHelp);
    EXPECT_EQ(Parse({"a", "--version", "--help"}), CommandLineAction::ShowVersion);
    EXPECT_EQ(CommandLineVersion(), "Brunolt " PROJECT_VERSION "\n");
    const std::string help = CommandLineHelp();
    EXPECT_EQ(help.rfind("Usage: brunolt [--help] [--version]\n", 0), 0u);
    EXPECT_NE(help.find("~/.local/share/brunolt/tempo.max"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');
}

}  // namespace

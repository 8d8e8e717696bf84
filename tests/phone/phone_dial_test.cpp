// The keys the replay driver types for `dial`.
#include <gtest/gtest.h>

#include "telephone_dial.h"

namespace {

const char* kState =
    "{\"culpritIndex\": 3, \"culpritNumber\": \"726031\", \"targetSum\": 19, \"lineNumbers\": "
    "[\"111196\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"], \"lineSums\": [19, 0, "
    "0, 0, 0, 0, 0, 0, 0, 0], \"notice\": \"\", \"digitValue\": 0, \"digitCount\": 0}";

int Sum(const std::string& n) {
    int s = 0;
    for (char c : n) s += c - '0';
    return s;
}

TEST(PhoneDial, ReadsTheState) {
    DialState state;
    ASSERT_TRUE(Dial_ReadState(kState, state));
    EXPECT_EQ(state.culpritNumber, "726031");
    EXPECT_EQ(state.targetSum, 19);
    EXPECT_EQ(state.lineNumbers[0], "111196");
    EXPECT_EQ(state.lineNumbers[9], "");
    EXPECT_FALSE(state.callInProgress);
    EXPECT_TRUE(Dial_Ready(state));
    EXPECT_FALSE(Dial_ReadState("{\"culpritIndex\": 3}", state));

    // Before the screen's first pass the culprit's number is not drawn: not ready yet.
    std::string drawing = kState;
    drawing.replace(drawing.find("\"726031\""), 8, "\"\"");
    ASSERT_TRUE(Dial_ReadState(drawing, state));
    EXPECT_FALSE(Dial_Ready(state));
}

TEST(PhoneDial, WaitsWhileACallGoesOn) {
    // A call through a notice has no digits, so the count alone does not tell.
    std::string talking = kState;
    talking.insert(talking.size() - 1, ", \"callInProgress\": true");
    DialState state;
    ASSERT_TRUE(Dial_ReadState(talking, state));
    EXPECT_TRUE(state.callInProgress);
    EXPECT_FALSE(Dial_Ready(state));
    std::vector<std::string> keys;
    std::string number;
    EXPECT_NE(Dial_KeysFromState(talking, "culprit", keys, number), "");
}

TEST(PhoneDial, ChoosesNumbers) {
    DialState state;
    ASSERT_TRUE(Dial_ReadState(kState, state));
    std::string number;
    EXPECT_EQ(Dial_ChooseNumber(state, "culprit", number), "");
    EXPECT_EQ(number, "726031");
    EXPECT_EQ(Dial_ChooseNumber(state, "existing", number), "");
    EXPECT_EQ(Sum(number), 19);
    EXPECT_NE(number, "111196");  // stored on line 1: not offered again
    EXPECT_EQ(number.find('0'), std::string::npos);
    EXPECT_EQ(Dial_ChooseNumber(state, "nonexistent", number), "");
    EXPECT_NE(Sum(number), 19);
    EXPECT_EQ(Dial_ChooseNumber(state, "523456", number), "");
    EXPECT_EQ(number, "523456");
    EXPECT_NE(Dial_ChooseNumber(state, "12345", number), "");
    EXPECT_NE(Dial_ChooseNumber(state, "012345", number), "");
}

TEST(PhoneDial, KeysForEachDigit) {
    const std::vector<std::string> keys = Dial_Keys("201", 1);
    const std::vector<std::string> expected = {"left",  "right", "right", "enter",
                                               "enter", "right", "enter"};
    EXPECT_EQ(keys, expected);
    std::vector<std::string> all;
    std::string number;
    EXPECT_EQ(Dial_KeysFromState(kState, "culprit", all, number), "");
    EXPECT_EQ(all.size(), 19u + 6u);
    std::string busy = kState;
    busy.replace(busy.find("\"digitCount\": 0"), 15, "\"digitCount\": 2");
    EXPECT_NE(Dial_KeysFromState(busy, "culprit", all, number), "");
}

}  // namespace

#include "KeyAction.h"

#include <gtest/gtest.h>

#include <ostream>

namespace okulon {
namespace {

struct KeyCase {
    const char* text;
    KeyAction before;
    KeyAction after;
    bool fails;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseKeyActionTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ParseKeyActionTest, ParsesOrFails)
{
    const KeyCase& c = GetParam();
    KeyAction entry = c.before;
    const auto err = ParseKeyAction(c.text, entry);
    EXPECT_EQ(err.has_value(), c.fails) << (err ? *err : std::string());
    EXPECT_EQ(entry.KeyCode, c.after.KeyCode);
    EXPECT_EQ(entry.Action, c.after.Action);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseKeyActionTest,
    ::testing::Values(
        KeyCase{"32 2", {}, {32, 2}, false},
        KeyCase{"9 1", {}, {9, 1}, false},
        // Only the one character after the blank is the action.
        KeyCase{"32 12", {}, {32, 1}, false},
        // Two characters or fewer keep whatever the entry held.
        KeyCase{"", {32, 2}, {32, 2}, false},
        KeyCase{"5 ", {32, 2}, {32, 2}, false},
        // No blank at all: nothing is parsed.
        KeyCase{"123", {7, 3}, {7, 3}, false},
        KeyCase{"-5 3", {}, {-5, 3}, false},
        // The second blank fails on "32 1"; the first blank's values stay.
        KeyCase{"32 1 2", {}, {32, 1}, true},
        // A trailing blank leaves nothing to read as the action; the key code was taken.
        KeyCase{"32 ", {0, 0}, {32, 0}, true},
        // A leading blank leaves nothing before it.
        KeyCase{" 32 1", {0, 0}, {0, 0}, true},
        KeyCase{"ab 1", {0, 0}, {0, 0}, true},
        KeyCase{"32 x", {0, 0}, {32, 0}, true},
        KeyCase{"99999999999 1", {0, 0}, {0, 0}, true}));

TEST(ParseInt32Test, AcceptsTheUsualSyntaxOnly)
{
    EXPECT_EQ(ParseInt32("  -17"), -17);
    EXPECT_EQ(ParseInt32("+4"), 4);
    EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt32("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(ParseInt32("2147483648"));
    EXPECT_FALSE(ParseInt32(""));
    EXPECT_FALSE(ParseInt32("-"));
    EXPECT_FALSE(ParseInt32("12 "));
    EXPECT_FALSE(ParseInt32("1e3"));
}

} // namespace
} // namespace okulon

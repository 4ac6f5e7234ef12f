#include "CalibrationScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace okulon {
namespace {

CalibrationStep fields(std::int16_t p, std::int16_t e, std::int16_t r, std::int16_t c, std::int16_t d, std::int16_t u,
    std::int16_t end = 0, std::int16_t done = 0)
{
    return {p, e, r, c, d, u, end, done};
}

bool same(const CalibrationStep& a, const CalibrationStep& b)
{
    return a.placement == b.placement && a.eyes == b.eyes && a.row == b.row && a.column == b.column
        && a.delay == b.delay && a.duration == b.duration && a.endSecond == b.endSecond && a.done == b.done;
}

TEST(CalibrationLine, ParsesSpaceSeparatedNumbers)
{
    struct Case {
        const char* line;
        CalibrationStep expected;
    };
    const CalibrationStep before = fields(9, 9, 9, 9, 9, 9, 9, 9);
    const Case cases[] = {
        {"5 4 0 1 2 3", fields(5, 4, 0, 1, 2, 3, 9, 9)},
        {"   5   4 0 1 2 3", fields(5, 4, 0, 1, 2, 3, 9, 9)}, // spaces before and between numbers
        {"-1 +2 -32768 32767 0 0", fields(-1, 2, -32768, 32767, 0, 0, 9, 9)},
        {"1 2 3", fields(1, 2, 3, 9, 9, 9, 9, 9)}, // fewer numbers keep the rest
        {"1 2 3 4 5 6 7 8", fields(1, 2, 3, 4, 5, 6, 7, 8)},
        {"1 \t2", fields(1, 2, 9, 9, 9, 9, 9, 9)}, // a tab before a number's digits is skipped
        {"7", fields(7, 9, 9, 9, 9, 9, 9, 9)},
    };
    for (const Case& c : cases) {
        CalibrationStep step = before;
        EXPECT_FALSE(ParseCalibrationLine(c.line, step)) << c.line;
        EXPECT_TRUE(same(step, c.expected)) << c.line;
    }
}

TEST(CalibrationLine, RefusesBadNumbersAndChangesNothing)
{
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"", "\"\" is an invalid integer"},
        {"   ", "\"   \" is an invalid integer"},
        {"5 4 0 1 2 3 ", "\"3 \" is an invalid integer"}, // a trailing space joins the last number
        {"5\t4", "\"5\t4\" is an invalid integer"},
        {"5 4 x", "\"x\" is an invalid integer"},
        {"1.5", "\"1.5\" is an invalid integer"},
        {"99999999999", "\"99999999999\" is an invalid integer"},
        {"32768", "\"32768\" is out of range (-32768 to 32767)"},
        {"1 -32769", "\"-32769\" is out of range (-32768 to 32767)"},
        {"1 2 3 4 5 6 7 8 9", "more than eight numbers on a line"},
    };
    for (const Case& c : cases) {
        CalibrationStep step = fields(1, 1, 1, 1, 1, 1, 1, 1);
        const auto error = ParseCalibrationLine(c.line, step);
        ASSERT_TRUE(error) << c.line;
        EXPECT_EQ(error->message, c.message);
        EXPECT_TRUE(same(step, fields(1, 1, 1, 1, 1, 1, 1, 1))) << c.line;
    }
}

TEST(CalibrationScriptText, LinesBecomeRecordsOneOnward)
{
    CalibrationStepTable table{};
    table[3] = fields(0, 0, 0, 0, 8, 9);
    const auto r = ParseCalibrationScript("5 4 0 1 2 3\r\n1 1 1 2 1 1\n2 2\r", table);
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.stepCount, 3);
    EXPECT_TRUE(same(table[1], fields(5, 4, 0, 1, 2, 3)));
    EXPECT_TRUE(same(table[2], fields(1, 1, 1, 2, 1, 1)));
    EXPECT_TRUE(same(table[3], fields(2, 2, 0, 0, 8, 9))); // delay and duration kept from before
    EXPECT_TRUE(same(table[0], CalibrationStep{}));
    EXPECT_EQ(ParseCalibrationScript("", table).stepCount, 0);
}

TEST(CalibrationScriptText, AnErrorNamesTheLineAndKeepsTheTable)
{
    CalibrationStepTable table{};
    table[1] = fields(1, 2, 3, 4, 5, 6);
    const auto r = ParseCalibrationScript("9 9 9 9 9 9\n1 2 3 4 5 6 \n", table);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->line, 2);
    EXPECT_TRUE(same(table[1], fields(1, 2, 3, 4, 5, 6)));
}

TEST(CalibrationScriptText, AtMostNinetyNineLines)
{
    CalibrationStepTable table{};
    std::string text;
    for (int i = 0; i < 99; ++i)
        text += "1 1 0 1 0 0\r\n";
    EXPECT_EQ(ParseCalibrationScript(text, table).stepCount, 99);
    text += "1 1 0 1 0 0";
    const auto r = ParseCalibrationScript(text, table);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->message, "the calibration script has more than 99 lines");
    std::string million;
    million.reserve(2000000);
    for (int i = 0; i < 1000000; ++i)
        million += "1\n";
    EXPECT_TRUE(ParseCalibrationScript(million, table).error);
}

class CalibrationScriptFile : public ::testing::Test {
protected:
    std::filesystem::path folder = std::filesystem::temp_directory_path()
        / ("okulon-script-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void write(const std::filesystem::path& p, const std::string& bytes)
    {
        std::ofstream(p, std::ios::binary) << bytes;
    }
};

TEST_F(CalibrationScriptFile, ResolvesInTheProgramFolderFirst)
{
    write(folder / "Eye.dat", "1 1 0 1 1 1");
    EXPECT_EQ(ResolveCalibrationScript(folder, "Eye.dat"), folder / "Eye.dat");
    const auto elsewhere = folder / "sub" / "x.dat";
    std::filesystem::create_directories(elsewhere.parent_path());
    write(elsewhere, "");
    EXPECT_EQ(ResolveCalibrationScript(folder / "nowhere", elsewhere.string()), elsewhere);
    EXPECT_FALSE(ResolveCalibrationScript(folder, "missing.dat"));
    EXPECT_FALSE(ResolveCalibrationScript(folder, ""));
    EXPECT_FALSE(ResolveCalibrationScript(folder, "sub")); // a folder is no script
}

TEST_F(CalibrationScriptFile, BinaryOrHugeFilesAreRefused)
{
    CalibrationStepTable table{};
    write(folder / "bin.dat", std::string("1 1\0\x01\x02", 6));
    EXPECT_TRUE(ReadCalibrationScript(folder / "bin.dat", table).error);
    write(folder / "big.dat", std::string(MaxScriptFileBytes + 1, '1'));
    EXPECT_TRUE(ReadCalibrationScript(folder / "big.dat", table).error);
    EXPECT_TRUE(ReadCalibrationScript(folder / "none.dat", table).error);
    write(folder / "ok.dat", "5 4 0 1 2 3\r\n");
    const auto r = ReadCalibrationScript(folder / "ok.dat", table);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.stepCount, 1);
}

TEST(PromptPlacement, NineCodesAndTheRest)
{
    const PromptPosition now{11, 22};
    struct Case {
        int code;
        PromptPosition at;
    };
    const Case cases[] = {{1, {0, 0}}, {2, {411, 0}}, {3, {823, 0}}, {4, {0, 359}}, {5, {411, 359}},
        {6, {823, 359}}, {7, {0, 718}}, {8, {411, 718}}, {9, {823, 718}}, {0, now}, {10, now}, {-5, now}};
    for (const Case& c : cases) {
        const PromptPosition p = PlacePrompt(c.code, 1000, 768, 177, 50, now);
        EXPECT_EQ(p.left, c.at.left) << c.code;
        EXPECT_EQ(p.top, c.at.top) << c.code;
    }
}

} // namespace
} // namespace okulon

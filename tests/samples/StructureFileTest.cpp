#include "TestSupport.h"

#include "Capture.h"
#include "MatrixOfSamples.h"
#include "StructureFile.h"

#include <gtest/gtest.h>

#include <ostream>

#include <filesystem>
#include <fstream>

namespace okulon {
namespace {

using test::Harness;
namespace fs = std::filesystem;

class StructureFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("okulon-structure-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
        h.Ctx.ProgramFolder = dir_.string() + "/";
        h.Ctx.FileExists = {}; // the real file system
        ASSERT_TRUE(h.Apply().Ok());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content)
    {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    const std::array<std::int32_t, 18>& Point(int i) { return h.S.LivePoints[static_cast<std::size_t>(i)].F; }

    Harness h;
    fs::path dir_;
};

TEST_F(StructureFileTest, LoadsPointsAndMarksThoseOutsideTheSample)
{
    // 120 x 60 sample: dx 60 is on the edge, 61 beyond it.
    const std::string path = Write("s.dat", "4\n0 0 10\n-20 5 20\n60 30 20\n61 0 20\n");
    ASSERT_FALSE(LoadStructureFile(h.Ctx, path));
    EXPECT_EQ(h.S.PointCount, 4);
    EXPECT_EQ(h.S.MaxPoints, 4);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 4);
    EXPECT_EQ(h.S.LivePoints.size(), 5u);
    EXPECT_EQ(h.S.SampleMatrix[16].size(), 5u);
    EXPECT_EQ(Point(2)[pf::Dx], -20);
    EXPECT_EQ(Point(2)[pf::Dy], 5);
    EXPECT_EQ(Point(3)[pf::Tolerance], 20);
    EXPECT_EQ(Point(4)[pf::Tolerance], 999);
    EXPECT_EQ(h.P.Cell(12), path);
    ASSERT_EQ(h.Log.Lines.size(), 1u);
    EXPECT_EQ(h.Log.Lines[0].first, "Reading a structure from the file:" + path);
}

struct TextCase {
    const char* name;
    const char* text;
    int count;
    std::vector<std::array<int, 3>> points; // the first points expected
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class StructureTextTest : public StructureFileTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(StructureTextTest, Layouts)
{
    const TextCase& c = GetParam();
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("s.dat", c.text)));
    ASSERT_EQ(h.S.PointCount, c.count);
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        EXPECT_EQ(Point(static_cast<int>(i) + 1)[pf::Dx], c.points[i][0]) << i;
        EXPECT_EQ(Point(static_cast<int>(i) + 1)[pf::Dy], c.points[i][1]) << i;
        EXPECT_EQ(Point(static_cast<int>(i) + 1)[pf::Tolerance], c.points[i][2]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, StructureTextTest,
    ::testing::Values(
        TextCase{"FreeTextAfterN", "3 points, made by hand\n0 0 10\n-20 5 20\n20 5 20\n", 3, {{0, 0, 10}, {-20, 5, 20}}},
        TextCase{"ShortFile", "2\n5 5 10\n", 2, {{5, 5, 10}, {0, 0, 0}}},
        TextCase{"NumbersSpreadOverLines", "2\n5 5 10 -5 -5 10\n", 2, {{5, 5, 10}, {-5, -5, 10}}},
        // Everything after N on the first line is skipped, numbers included.
        TextCase{"NumbersOnTheFirstLineAreSkipped", "1 7 7 7\n1 2 3\n", 1, {{1, 2, 3}}},
        TextCase{"WindowsLineEndsAndTabs", "2\r\n1\t2\t3\r\n+4 -5 6\r\n", 2, {{1, 2, 3}, {4, -5, 6}}},
        TextCase{"TrailingNumber", "1\n1 2 3\n77 anything\nnot read\n", 1, {{1, 2, 3}}},
        TextCase{"ToleranceFromTheFile", "1\n1 1 999\n", 1, {{1, 1, 999}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StructureFileTest, OnlyTheFirstHundredPointsAreKept)
{
    std::string text = "150\n";
    for (int i = 1; i <= 150; ++i)
        text += std::to_string(i % 50) + " 0 " + std::to_string(i) + "\n";
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("big.dat", text)));
    EXPECT_EQ(h.S.PointCount, 100);
    EXPECT_EQ(h.S.MaxPoints, 100);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 100);
    EXPECT_EQ(Point(100)[pf::Tolerance], 100);
}

TEST_F(StructureFileTest, NoPositiveCountMeansNoStructure)
{
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("a.dat", "2\n1 1 1\n2 2 2\n")));
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("zero.dat", "0\n")));
    EXPECT_EQ(h.S.PointCount, 0);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 0);
    EXPECT_EQ(h.S.MaxPoints, 2);
    EXPECT_EQ(Point(1)[pf::Dx], 0);
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("neg.dat", "-5\n")));
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 0);
}

struct BadCase {
    const char* name;
    std::string text;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadStructureTest : public StructureFileTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadStructureTest, ErrorLeavesThePreviousStructure)
{
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("good.dat", "2\n1 2 3\n4 5 6\n")));
    h.S.SampleMatrix[1][0].F[pf::FilledFlag] = 1;
    const auto err = LoadStructureFile(h.Ctx, Write("bad.dat", GetParam().text));
    ASSERT_TRUE(err.has_value());
    EXPECT_NE(err->find("bad.dat"), std::string::npos) << *err;
    EXPECT_EQ(h.S.PointCount, 2);
    EXPECT_EQ(h.S.MaxPoints, 2);
    EXPECT_EQ(h.S.LivePoints.size(), 3u);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 2);
    EXPECT_EQ(Point(2)[pf::Dx], 4);
    EXPECT_EQ(h.S.SampleMatrix[1][0].F[pf::FilledFlag], 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadStructureTest,
    ::testing::Values(BadCase{"NotAnInteger", "2\n1 2 x\n4 5 6\n"}, BadCase{"Decimal", "1\n1.5 2 3\n"},
                      BadCase{"CountBeyond16Bits", "40000\n"}, BadCase{"HugeCount", "1000000000\n1 2 3\n"},
                      BadCase{"ValueBeyond32Bits", "1\n1 2 3000000000\n"},
                      BadCase{"LastNumberBeyond16Bits", "1\n1 2 3\n40000\n"},
                      BadCase{"HexNumber", "1\n$10 2 3\n"},
                      BadCase{"Binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
                      BadCase{"NulInsideANumber", std::string("1\n1\0 2 3\n", 9)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StructureFileTest, MissingFileIsAnError)
{
    const auto err = LoadStructureFile(h.Ctx, (dir_ / "none.dat").string());
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(h.P.Cell(12), (dir_ / "none.dat").string());
}

TEST_F(StructureFileTest, LocateTriesTheCandidatesInOrder)
{
    // Nothing exists: no structure, and the path names the last candidate.
    EXPECT_FALSE(LocateStructureFile(h.Ctx));
    EXPECT_EQ(h.S.StructurePath, h.Ctx.ProgramFolder + "default_sko.dat");
    EXPECT_EQ(h.S.PointCount, 0);

    Write("default_sko.dat", "1\n0 0 5\n");
    EXPECT_FALSE(LocateStructureFile(h.Ctx));
    EXPECT_EQ(h.S.PointCount, 1);

    const std::string absolute = Write("elsewhere.dat", "2\n0 0 5\n1 1 5\n");
    h.P.Set(12, absolute);
    EXPECT_FALSE(LocateStructureFile(h.Ctx));
    EXPECT_EQ(h.S.StructurePath, absolute);
    EXPECT_EQ(h.S.PointCount, 2);

    Write("Okulon.dat", "3\n0 0 5\n1 1 5\n2 2 5\n");
    h.P.Set(12, "Okulon.dat");
    EXPECT_FALSE(LocateStructureFile(h.Ctx));
    EXPECT_EQ(h.S.PointCount, 3);
}

TEST_F(StructureFileTest, ApplyConfigurationLoadsTheStructureThroughItsLoader)
{
    Write("Okulon.dat", "3\n0 0 5\n1 1 5\n2 2 5\n");
    h.Ctx.LoadStructure = StructureFileLoader();
    ASSERT_TRUE(h.Apply().Ok());
    EXPECT_EQ(h.S.MaxPoints, 3);
    EXPECT_EQ(h.S.PointCount, 3);
    EXPECT_EQ(h.S.SampleMatrix[16].size(), 4u);
    // A bad file reports its error and the configuration goes on.
    Write("Okulon.dat", "3\n0 0 5\n1 x 5\n");
    h.P.Set(112, "65 3");
    const ApplyResult r = h.Apply();
    EXPECT_EQ(r.Errors.size(), 1u);
    EXPECT_EQ(h.S.RowKeys[0], (KeyAction{65, 3}));
}

TEST_F(StructureFileTest, FilledCellsAreRetakenFromTheirPictures)
{
    // Cell 2 holds a picture: red left half, blue right half.
    const int w = h.S.SampleWidth, hh = h.S.SampleHeight;
    FillRect(h.S.MatrixBitmap, w, 0, w + w / 2, hh, Rgb(255, 0, 0));
    FillRect(h.S.MatrixBitmap, w + w / 2, 0, 2 * w, hh, Rgb(0, 0, 255));
    h.S.SampleMatrix[2][0].F[pf::FilledFlag] = 1;
    ASSERT_FALSE(LoadStructureFile(h.Ctx, Write("s.dat", "2\n-30 0 10\n30 0 10\n")));
    const auto& cell = h.S.SampleMatrix[2];
    EXPECT_EQ(cell[0].F[pf::FilledFlag], 1);
    EXPECT_EQ(cell[1].F[pf::Dx], -30);
    EXPECT_EQ(cell[1].F[pf::R], 255);
    EXPECT_EQ(cell[1].F[pf::B], 0);
    EXPECT_EQ(cell[2].F[pf::R], 0);
    EXPECT_EQ(cell[2].F[pf::B], 255);
    EXPECT_EQ(h.S.SampleMatrix[1][0].F[pf::FilledFlag], 0);
}

} // namespace
} // namespace okulon

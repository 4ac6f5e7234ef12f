#include "SettingsFixture.h"

namespace okulon::test {
namespace {

using ParameterStoreTest = SettingsFixture;

TEST_F(ParameterStoreTest, StartsWithBuiltInDefaultsAndEnglishComments)
{
    EXPECT_EQ(store.rows(), 125); // the comment count of the built-in languages
    EXPECT_EQ(store.paramText(1), "VALUES");
    EXPECT_EQ(store.comment(0), "COMMENT");
    EXPECT_EQ(store.GetParamInt(27), 170);
    EXPECT_EQ(store.paramText(101), "Clavirex");
    EXPECT_EQ(store.paramText(112), "32 2");
}

TEST_F(ParameterStoreTest, IntegerReadsRepairInvalidCells)
{
    struct Case {
        int n;
        QString cell;
        std::int32_t read;
        QString cellAfter;
    };
    const Case cases[] = {
        {4, "35", 35, "35"},
        {4, "  -7", -7, "  -7"},
        {4, "+12", 12, "+12"},
        {4, "2147483647", 2147483647, "2147483647"},
        {4, "-2147483648", -2147483647 - 1, "-2147483648"},
        {4, "2147483648", 0, "20"}, // out of range
        {4, "12 ", 0, "20"}, // anything after the digits
        {4, "1e3", 0, "20"},
        {4, "", 0, "20"},
        {4, "-", 0, "20"},
        {4, "-189234554", 0, "20"}, // the no-value marker itself
        {2, "Eng", 0, "Eng"}, // a text parameter is repaired to its own default
        {10, "C", 0, "C"},
        {51, "x", 0, ""}, // default is empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell.toStdString());
        store.setParamText(c.n, c.cell);
        EXPECT_EQ(store.GetParamInt(c.n), c.read);
        EXPECT_EQ(store.value(c.n - 1), c.cellAfter);
    }
}

TEST_F(ParameterStoreTest, RepairedCellReadsAsDefaultNextTime)
{
    store.setParamText(5, "fast");
    EXPECT_EQ(store.GetParamInt(5), 0);
    EXPECT_EQ(store.GetParamInt(5), 20);
}

TEST_F(ParameterStoreTest, TextReadsRepairBlankCellsOnly)
{
    store.setParamText(12, "   ");
    EXPECT_EQ(store.paramText(12), "Okulon.dat");
    store.setParamText(12, "\t\r\n");
    EXPECT_EQ(store.paramText(12), "Okulon.dat");
    store.setParamText(12, "  my.dat ");
    EXPECT_EQ(store.paramText(12), "  my.dat "); // untrimmed
    store.setParamText(115, "");
    EXPECT_EQ(store.paramText(115), ""); // its default is empty
}

TEST_F(ParameterStoreTest, ReadsBeyondTheLastRowChangeNothing)
{
    ASSERT_EQ(store.rows(), 125);
    EXPECT_EQ(store.GetParamInt(126), NoIntValue);
    EXPECT_EQ(store.paramText(126), "");
    EXPECT_EQ(store.paramText(0), "");
    EXPECT_EQ(store.GetParamInt(0), NoIntValue);
    EXPECT_EQ(store.GetParamInt(100000), NoIntValue);
    store.setParamText(126, "x"); // no such cell: ignored
    EXPECT_EQ(store.rows(), 125);
}

TEST_F(ParameterStoreTest, StdStringPortSeesTheSameCells)
{
    IParameters& port = store;
    port.SetParamText(101, "Клавиатура");
    EXPECT_EQ(port.GetParamText(101), "Клавиатура");
    port.SetParamInt(27, -15);
    EXPECT_EQ(store.value(26), "-15");
    EXPECT_EQ(port.GetParamInt(27), -15);
}

TEST_F(ParameterStoreTest, RowsWithoutCommentAreHidden)
{
    for (int n : {35, 47, 65, 67, 68, 103, 104, 105, 106, 116, 3})
        EXPECT_TRUE(store.isRowHidden(n - 1)) << n;
    for (int n : {1, 2, 4, 101, 115})
        EXPECT_FALSE(store.isRowHidden(n - 1)) << n;
    // A row that gets a comment shows again at the default height.
    QStringList comments = store.commentList();
    comments[2] = "now visible";
    store.setComments(comments);
    store.applyRowVisibility();
    EXPECT_EQ(store.rowHeight(2), ParameterStore::DefaultRowHeightPx);
}

TEST_F(ParameterStoreTest, CommentColumnTakesTheRestOfTheWindow)
{
    store.setValueColumnWidth(100);
    EXPECT_EQ(store.columnWidth(ParameterStore::CommentColumn), 580 - 40 - 100 - 50);
    store.setWindowWidth(800);
    EXPECT_EQ(store.columnWidth(ParameterStore::CommentColumn), 800 - 40 - 100 - 50);
}

TEST_F(ParameterStoreTest, ModelShowsIndexValueAndComment)
{
    EXPECT_EQ(store.columnCount(), 3);
    EXPECT_EQ(store.data(store.index(4, 0)).toString(), "4");
    EXPECT_EQ(store.data(store.index(4, 1)).toString(), "20");
    EXPECT_EQ(store.data(store.index(4, 2)).toString(), "Frames per second 1..60");
    EXPECT_TRUE(store.flags(store.index(4, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(store.flags(store.index(4, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(store.setData(store.index(4, 1), "25"));
    EXPECT_EQ(store.GetParamInt(5), 25);
    EXPECT_EQ(store.data(store.index(3, 0), Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0, 0));
    EXPECT_FALSE(store.data(store.index(2, 0), Qt::BackgroundRole).isValid());
}

TEST(ColourText, AcceptsExactlySixHexDigits)
{
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {{"FFFFFF", true}, {"00ff7f", true}, {" 123abc\t", true}, {"12345", false},
        {"1234567", false}, {"12345G", false}, {"#FFFFF", false}, {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsColourText(c.text), c.valid) << c.text;
}

TEST(ColourText, ConvertsRedFirstTextToRedLowByte)
{
    EXPECT_EQ(ColourFromText("FF7F00"), 0x007FFFu);
    EXPECT_EQ(ColourFromText("0000FF"), 0xFF0000u);
    EXPECT_EQ(ColourFromText("zz1020"), 0x201000u); // an unreadable pair is 0
    EXPECT_EQ(ColourToText(0x007FFF), "FF7F00");
    EXPECT_EQ(ColourToText(0xB334FF), "FF34B3");
}

} // namespace
} // namespace okulon::test

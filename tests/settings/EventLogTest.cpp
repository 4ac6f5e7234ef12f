#include "SettingsFixture.h"

namespace okulon::test {
namespace {

class EventLogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QDateTime now{QDate(2026, 3, 4), QTime(5, 6, 7, 8)};
    EventLog log{dir.path() + "/okulon.exe", [this] { return now; }};

    QByteArray fileBytes() const
    {
        QFile f(log.logFileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(EventLogTest, CodesChooseWindowLineAndFileLine)
{
    struct Case {
        int code;
        QStringList window;
        QByteArray file;
    };
    const QString stamp = "20260304-050607.008: ";
    const Case cases[] = {
        {23, {stamp + "ab"}, "20260304-050607.008: ab\r\n"},
        {13, {"ab"}, "20260304-050607.008: ab\r\n"},
        {22, {stamp + "ab"}, "ab\r\n"},
        {11, {"ab"}, "ab"},
        {3, {}, "20260304-050607.008: ab\r\n"},
        {20, {stamp + "ab"}, "<missing>"},
        {0, {}, "<missing>"},
        {34, {}, "<missing>"}, // tens digit 3 and units digit 4 mean nothing
        {123, {}, "20260304-050607.008: ab\r\n"}, // tens digit of 123 is 12
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        QFile::remove(log.logFileName());
        log.clear();
        log.writeLog("ab", c.code);
        EXPECT_EQ(log.lines(), c.window);
        EXPECT_EQ(fileBytes(), c.file);
    }
}

TEST_F(EventLogTest, EmptyTextWithCodeThreeWritesOnlyTheStamp)
{
    log.writeLog("", 3);
    EXPECT_EQ(fileBytes(), "20260304-050607.008: \r\n");
}

TEST_F(EventLogTest, FileIsOnlyAppendedTo)
{
    log.writeLog("one", 12);
    log.WriteLog("два", 12);
    EXPECT_EQ(fileBytes(), QString::fromUtf8("one\r\nдва\r\n").toUtf8());
}

TEST_F(EventLogTest, TitleCountsLinesAndBytes)
{
    EXPECT_EQ(log.title(), "Event Log");
    log.writeLog("ab", 10);
    log.writeLog("c", 10);
    EXPECT_EQ(log.title(), "Count of Lines = 2, count of Bytes = 3.");
    log.toggleStatistics();
    EXPECT_EQ(log.title(), "Event Log");
    log.writeLog("d", 10);
    EXPECT_EQ(log.title(), "Event Log");
    log.toggleStatistics();
    EXPECT_EQ(log.title(), "Count of Lines = 3, count of Bytes = 4.");
    log.clear(); // the title waits for the next write
    EXPECT_EQ(log.title(), "Count of Lines = 3, count of Bytes = 4.");
    log.writeLog("e", 10);
    EXPECT_EQ(log.title(), "Count of Lines = 1, count of Bytes = 1.");
}

TEST_F(EventLogTest, SavedLinesReplaceTheFile)
{
    log.writeLog("x", 10);
    log.writeLog("y", 10);
    const QString file = dir.path() + "/saved.txt";
    SettingsFixture::writeFile(file, "old content that is longer");
    ASSERT_TRUE(log.saveLines(file));
    EXPECT_EQ(SettingsFixture::readFile(file), "x\r\ny\r\n");
}

TEST_F(EventLogTest, UnwritableLogFileIsSkippedSilently)
{
    EventLog bad(dir.path() + "/no/such/folder/okulon", [this] { return now; });
    bad.writeLog("still shown", 23);
    EXPECT_EQ(bad.lines().size(), 1);
}

TEST(LogFileName, ReplacesTheLastThreeCharacters)
{
    EXPECT_EQ(LogFileNameFor("C:/x/prog.exe"), "C:/x/prog.log");
    EXPECT_EQ(LogFileNameFor("/opt/okulon/okulon"), "/opt/okulon/okulog");
    EXPECT_EQ(LogFileNameFor("ab"), "log");
}

TEST(TimeStamp, HasMillisecondsAsThreeDigits)
{
    EXPECT_EQ(TimeStampPrefix(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58, 7))), "20261231-235958.007: ");
}

} // namespace
} // namespace okulon::test

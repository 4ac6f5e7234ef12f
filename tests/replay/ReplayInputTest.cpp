#include "ReplayInput.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace okulon::replay {
namespace {

template <class T>
const T& ok(const Result<T>& r)
{
    if (const auto* e = std::get_if<InputError>(&r))
        ADD_FAILURE() << e->message.toStdString();
    return std::get<T>(r);
}

template <class T>
QString error(const Result<T>& r)
{
    const auto* e = std::get_if<InputError>(&r);
    return e ? e->message : QStringLiteral("<no error>");
}

TEST(ReplayArguments, OptionsAndFrames)
{
    const Options o = ok(ParseArguments({"--profile", "p.ini", "a.png", "--events", "e.txt", "dir", "--dump-matrix",
        "m.bmp", "--dump-params", "p.txt"}));
    EXPECT_EQ(o.profile, "p.ini");
    EXPECT_EQ(o.events, "e.txt");
    EXPECT_EQ(o.dumpMatrix, "m.bmp");
    EXPECT_EQ(o.dumpParams, "p.txt");
    EXPECT_EQ(o.frameArgs, (QStringList{"a.png", "dir"}));
    EXPECT_EQ(error(ParseArguments({"--profile"})), "--profile needs a file name");
    EXPECT_EQ(error(ParseArguments({"--speed", "a.png"})), "unknown option --speed");
    EXPECT_TRUE(error(ParseArguments({})).startsWith("usage: okulon-replay"));
}

TEST(ReplayFrames, FoldersGiveTheirImagesInByteOrder)
{
    QTemporaryDir dir;
    for (const char* name : {"b.png", "B.png", "a.bmp", "c.PNG", "notes.txt", "ä.png"})
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("sub.png");
    const QStringList frames = ok(ExpandFrames({dir.path()}));
    QStringList names;
    for (const QString& f : frames)
        names.append(QFileInfo(f).fileName());
    EXPECT_EQ(names, (QStringList{"B.png", "a.bmp", "b.png", "c.PNG", "ä.png"}));
    EXPECT_TRUE(error(ExpandFrames({dir.filePath("missing.png")})).startsWith("no such frame file or folder"));
}

TEST(ReplayFrames, LoadsPixelsAndRefusesBadFiles)
{
    QTemporaryDir dir;
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 30));
    img.setPixel(2, 1, qRgb(255, 0, 7));
    ASSERT_TRUE(img.save(dir.filePath("f.png")));
    ASSERT_TRUE(img.save(dir.filePath("f.bmp")));
    for (const char* name : {"f.png", "f.bmp"}) {
        const Bitmap bmp = ok(LoadFrame(dir.filePath(name)));
        ASSERT_EQ(bmp.Width(), 3);
        EXPECT_EQ(bmp.Pixel(0, 0), Rgb(10, 20, 30));
        EXPECT_EQ(bmp.Pixel(2, 1), Rgb(255, 0, 7));
    }

    QFile garbage(dir.filePath("g.png"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not an image at all");
    garbage.close();
    EXPECT_TRUE(error(LoadFrame(dir.filePath("g.png"))).contains("not a readable"));

    // A BMP header that claims 60000 x 60000 pixels.
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    auto put32 = [&](int at, qint32 v) { memcpy(bmp.data() + at, &v, 4); };
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 60000);
    put32(22, 60000);
    bmp[26] = 1;
    bmp[28] = 24;
    QFile huge(dir.filePath("huge.bmp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(bmp);
    huge.close();
    // Refused before any pixel memory is taken.
    EXPECT_TRUE(error(LoadFrame(dir.filePath("huge.bmp"))).startsWith(dir.filePath("huge.bmp") + ": "));
}

TEST(ReplayEvents, ParsesEveryVerb)
{
    const auto events = ok(ParseEvents("# comment\n\n0 idle\n0 click right 70 80\r\n1 arm 5\n2 startstop\n"
                                       "3 calibrate\n4 f11\n5 weights\n6 set 101 My  Keyboard \n7 set 115\n"
                                       "8 apply\n9 structure /x/my structure.dat\n10 load-matrix m\n"
                                       "11 save-matrix out\n12 clear-matrix\n",
        "e.txt"));
    ASSERT_EQ(events.size(), 14u);
    EXPECT_EQ(events[1].verb, Verb::Click);
    EXPECT_EQ(events[1].button, Button::Right);
    EXPECT_EQ(events[1].x, 70);
    EXPECT_EQ(events[1].y, 80);
    EXPECT_EQ(events[1].line, 4);
    EXPECT_EQ(events[2].number, 5);
    EXPECT_EQ(events[7].verb, Verb::Set);
    EXPECT_EQ(events[7].number, 101);
    EXPECT_EQ(events[7].text, "My  Keyboard ");
    EXPECT_EQ(events[8].text, "");
    EXPECT_EQ(events[10].text, "/x/my structure.dat");
    EXPECT_EQ(events[13].verb, Verb::ClearMatrix);
    EXPECT_EQ(events[13].frame, 12);
}

TEST(ReplayEvents, BadLinesNameFileAndLine)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"0 jump", "e.txt:1: unknown verb \"jump\""},
        {"\nx startstop", "e.txt:2: bad frame number \"x\""},
        {"-1 startstop", "e.txt:1: bad frame number \"-1\""},
        {"3 idle", "e.txt:1: idle is only for frame 0"},
        {"0 click up 1 2", "e.txt:1: unknown mouse button \"up\""},
        {"0 click left 1", "e.txt:1: click takes left|right|middle X Y"},
        {"0 click left 1 y", "e.txt:1: click needs whole-number coordinates"},
        {"0 arm", "e.txt:1: arm takes a cell number"},
        {"0 set x 1", "e.txt:1: set takes a parameter number and a value"},
        {"0 startstop now", "e.txt:1: startstop takes no arguments"},
        {"0 structure", "e.txt:1: structure needs a path"},
        {"0 load-matrix   ", "e.txt:1: load-matrix needs a path"},
        {"7", "e.txt:1: expected FRAME VERB ARGS..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(error(ParseEvents(c.text, "e.txt")), c.message) << c.text;
}

} // namespace
} // namespace okulon::replay

#include "TestSupport.h"

#include "Capture.h"
#include "ImageFiles.h"
#include "Localisation.h"
#include "MatrixFiles.h"
#include "MatrixOfSamples.h"
#include "ParameterStore.h"
#include "Profiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

namespace okulon {
namespace {

const Color Grey = Rgb(128, 128, 128);

// The engine with the real parameter store and the built-in English texts,
// in a temporary program folder with the profile "user.ini". The screen is
// white, so that plane rows a cell does not cover read as white too.
class MatrixFilesTest : public ::testing::Test {
protected:
    MatrixFilesTest()
        : localisation(store, dir.path())
        , profiles(store, localisation, dir.path() + "/okulon")
        , ctx{S, store, &log, &localisation, &screen, nullptr, {}, {}, {}, {}}
    {
        profiles.ResetSettingsToDefaults();
        localisation.ApplyLanguageText(BuiltinLanguageText(BuiltinLanguage::English));
        ctx.ProgramFolder = Path("");
        screen.Screen().SetSize(1000, 1000, White);
        EXPECT_TRUE(ApplyConfiguration(ctx, "").Ok());
        CaptureFrame(ctx);
        log.Lines.clear();
    }

    std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    std::string Profile() const { return Path("user.ini"); }

    // A white matrix picture of 4 x 4 cells of w x h with a black pixel at the
    // centre of each listed cell (the centre point of the built-in pattern).
    static Bitmap Picture(int w, int h, std::initializer_list<int> filled, int extraX = 0, int extraY = 0)
    {
        Bitmap b(4 * w + extraX, 4 * h + extraY, White);
        for (int k : filled)
            b.SetPixel((k - 1) % 4 * w + w / 2, (k - 1) / 4 * h + h / 2, Black);
        return b;
    }

    void WriteBmp(const std::string& path, const Bitmap& b)
    {
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
        ASSERT_FALSE(WriteBmpFile(path, b, 24));
    }

    static void WriteRaw(const std::string& path, const QByteArray& bytes)
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QByteArray ReadRaw(const std::string& path)
    {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    int Flag(int k) const { return S.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag]; }
    std::vector<int> Flags() const
    {
        std::vector<int> f;
        for (int k = 1; k <= S.CellCount; ++k)
            f.push_back(Flag(k));
        return f;
    }
    static std::vector<int> OnlyCell(int k)
    {
        std::vector<int> f(16, 0);
        f[static_cast<std::size_t>(k - 1)] = 1;
        return f;
    }

    // What a refused command must leave as it was.
    struct Snapshot {
        Bitmap matrix;
        std::vector<int> flags;
        int sw, sh;
        std::string p21, p22, p51, path;
        std::vector<std::string> available;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take()
    {
        return {S.MatrixBitmap, Flags(), S.SampleWidth, S.SampleHeight, store.GetParamText(21),
                store.GetParamText(22), store.GetParamText(51), S.MatrixFilePath, S.AvailableList};
    }

    [[noreturn]] void SaveWithFileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        FillRect(S.MatrixBitmap, 0, 0, 400, 200, Rgb(1, 2, 3));
        std::_Exit(SaveMatrixFile(ctx, Path("keep")) ? 3 : 0);
    }

    QTemporaryDir dir;
    ParameterStore store;
    Localisation localisation;
    Profiles profiles;
    TrackerState S;
    test::RecordingLog log;
    ImageScreenSource screen;
    EngineContext ctx;
};

TEST_F(MatrixFilesTest, WhiteTestEmptiesCellsWhoseSampledPointsAreWhite)
{
    // Cell 1 stays white, cell 2 is white but at a pixel no point samples,
    // cell 3 has one black sampled point, cell 4 one sampled point that is
    // only just off white.
    Bitmap b = Picture(120, 60, {3});
    b.SetPixel(120 + 5, 5, Black);
    b.SetPixel(360 + 60, 30, Rgb(254, 255, 255));
    WriteBmp(Path("m.bmp"), b);
    ASSERT_FALSE(LoadMatrixCommand(ctx, Path("m.bmp"), Profile()));
    EXPECT_EQ(Flag(1), 0);
    EXPECT_EQ(Flag(2), 0);
    EXPECT_EQ(Flag(3), 1);
    EXPECT_EQ(Flag(4), 1);
    EXPECT_EQ(Flag(5), 0);
    EXPECT_EQ(S.AvailableList, (std::vector<std::string>{"0 0 1 1 ", "0 0 0 0 ", "0 0 0 0 ", "0 0 0 0 "}));
    EXPECT_EQ(S.MatrixFilePath, Path("m.bmp"));
    EXPECT_EQ(store.GetParamText(51), Path("m.bmp"));
}

TEST_F(MatrixFilesTest, PixelsBeyondTheLastWholeCellAreIgnored)
{
    // 481 x 241 with 4 x 4 cells gives cells of 120 x 60; the spare column
    // and row are red and reach no cell.
    Bitmap b = Picture(120, 60, {6}, 1, 1);
    FillRect(b, 480, 0, 481, 241, Rgb(255, 0, 0));
    FillRect(b, 0, 240, 481, 241, Rgb(255, 0, 0));
    WriteBmp(Path("m.bmp"), b);
    store.SetParamText(21, "100");
    ASSERT_FALSE(LoadMatrixFile(ctx, Path("m.bmp"), Profile()));

    EXPECT_EQ(S.SampleWidth, 120);
    EXPECT_EQ(S.SampleHeight, 60);
    EXPECT_EQ(S.HalfSampleWidth, 60);
    EXPECT_EQ(store.GetParamText(21), "120");
    EXPECT_EQ(store.GetParamText(22), "60");
    EXPECT_EQ(S.MatrixBitmap.Width(), 481);
    EXPECT_EQ(S.MatrixBitmap.Height(), 241);
    EXPECT_EQ(Flags(), OnlyCell(6));
    // The cell outlines are drawn over the loaded picture; the outline of the
    // cells right of the last column starts on the spare column.
    EXPECT_EQ(S.MatrixBitmap.Pixel(120, 60), Grey);
    EXPECT_EQ(S.MatrixBitmap.Pixel(239, 90), Grey);
    EXPECT_EQ(S.MatrixBitmap.Pixel(180, 90), Black);
    EXPECT_EQ(S.MatrixBitmap.Pixel(480, 100), Grey);
    ASSERT_FALSE(log.Lines.empty());
    EXPECT_EQ(log.Lines.back(),
              std::make_pair("Loading a sample from the file:" + Path("m.bmp") + ", Sample dimensions:120x60", 23));
}

TEST_F(MatrixFilesTest, WithoutStructureTheFirstCellLaysThePatternForTheOthers)
{
    // Cells of 60 x 40: the pattern's line point 24 pixels above the centre
    // lies outside the cell. The first cell lays the pattern and reads that
    // point where it lies (off the plane: black), so even a white cell stays
    // filled; every later cell takes the pattern as its structure and reads
    // the point at the centre instead (white), so white cells are empty.
    WriteBmp(Path("m.bmp"), Picture(60, 40, {}));
    ASSERT_FALSE(LoadMatrixFile(ctx, Path("m.bmp"), Profile()));
    EXPECT_EQ(Flags(), OnlyCell(1));
    const auto& first = S.SampleMatrix[1][2].F;
    const auto& second = S.SampleMatrix[2][2].F;
    EXPECT_EQ(first[pf::Dy], -24);
    EXPECT_EQ(first[pf::Tolerance], ExcludedTolerance);
    EXPECT_EQ(first[pf::R], 0);
    EXPECT_EQ(second[pf::Dy], -24);
    EXPECT_EQ(second[pf::Tolerance], ExcludedTolerance);
    EXPECT_EQ(second[pf::R], 255);
}

TEST_F(MatrixFilesTest, FallbackNamesBesideTheProfile)
{
    // The file loaded is told by its cell size.
    struct Case {
        const char* name;
        bool param51, currentUser, folderOnly, profileBmp;
        int expectedWidth; // 0: nothing loaded
    } cases[] = {
        {"parameter 51 first", true, true, false, true, 30},
        {"CurrentUser.bmp before user.bmp", false, true, false, true, 20},
        {"user.bmp", false, false, false, true, 10},
        {"folder without CurrentUser.bmp", false, false, true, true, 10},
        {"nothing to load", false, false, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir d;
        const std::string base = d.path().toStdString();
        if (c.param51)
            WriteBmp(base + "/mine.bmp", Picture(30, 30, {1}));
        if (c.currentUser)
            WriteBmp(base + "/user/CurrentUser.bmp", Picture(20, 20, {1}));
        if (c.folderOnly)
            QDir().mkpath(QString::fromStdString(base + "/user"));
        if (c.profileBmp)
            WriteBmp(base + "/user.bmp", Picture(10, 10, {1}));
        store.SetParamText(51, c.param51 ? base + "/mine.bmp" : "");
        ctx.LoadMatrixFile = MatrixFileLoader([&] { return base + "/user.ini"; });
        log.Lines.clear();
        ASSERT_TRUE(ApplyConfiguration(ctx, "").Ok());
        if (c.expectedWidth == 0) {
            EXPECT_EQ(S.SampleWidth, 120);
            EXPECT_EQ(Flags(), std::vector<int>(16, 0));
            EXPECT_TRUE(log.Lines.empty());
        } else {
            EXPECT_EQ(S.SampleWidth, c.expectedWidth);
            EXPECT_EQ(Flag(1), 1);
        }
        store.SetParamText(21, "120");
        store.SetParamText(22, "60");
    }
}

TEST_F(MatrixFilesTest, BadFilesAreRefusedAndLeaveTheMatrixAsItWas)
{
    WriteBmp(Path("good.bmp"), Picture(100, 50, {6}));
    ASSERT_FALSE(LoadMatrixCommand(ctx, Path("good.bmp"), Profile()));
    ASSERT_EQ(Flags(), OnlyCell(6));

    const QByteArray good = ReadRaw(Path("good.bmp"));
    QByteArray huge = good.left(54);
    for (int at : {18, 22}) { // 60000 x 60000 pixels
        huge[at] = static_cast<char>(60000 & 0xFF);
        huge[at + 1] = static_cast<char>(60000 >> 8);
    }
    QByteArray hugeWithPixels = huge + QByteArray(1 << 16, '\0');
    auto sized = [](int w, int h) {
        std::vector<std::uint8_t> b = EncodeBmp(Bitmap(w, h, White), 24);
        return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty file", QByteArray()},
        {"text", QByteArray("not a picture\n")},
        {"header only", good.left(54)},
        {"truncated pixels", good.left(good.size() / 2)},
        {"60000 x 60000 header", huge},
        {"60000 x 60000 with some pixels", hugeWithPixels},
        {"cells wider than the target area", sized(4 * 141, 4 * 50)},
        {"cells higher than the target area", sized(4 * 100, 4 * 161)},
        {"cells under one pixel", sized(3, 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw(Path("bad.bmp"), c.bytes);
        const Snapshot before = Take();
        log.Lines.clear();
        const auto err = LoadMatrixCommand(ctx, Path("bad.bmp"), Profile());
        ASSERT_TRUE(err);
        EXPECT_NE(err->find("bad.bmp"), std::string::npos) << *err;
        ASSERT_EQ(log.Lines.size(), 1u);
        EXPECT_EQ(log.Lines[0].first, *err);
        EXPECT_TRUE(Take() == before);
    }
}

TEST_F(MatrixFilesTest, SaveAppendsBmpAndWrites24BitPictures)
{
    WriteBmp(Path("m.bmp"), Picture(100, 50, {2, 7}));
    ASSERT_FALSE(LoadMatrixFile(ctx, Path("m.bmp"), Profile()));
    const Bitmap saved = S.MatrixBitmap;
    log.Lines.clear();

    ASSERT_FALSE(SaveMatrixFile(ctx, Path("out.bmp")));
    const std::string written = Path("out.bmp.bmp");
    EXPECT_EQ(S.MatrixFilePath, written);
    EXPECT_EQ(store.GetParamText(51), written);
    ASSERT_EQ(log.Lines.size(), 1u);
    EXPECT_EQ(log.Lines[0], std::make_pair("Saving the sample into a file:" + written, 23));
    const QByteArray bytes = ReadRaw(written);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes[28], 24);

    // Loading the saved file gives back the same picture and cells.
    ClearMatrix(ctx);
    ASSERT_FALSE(LoadMatrixFile(ctx, written, Profile()));
    EXPECT_TRUE(S.MatrixBitmap == saved);
    EXPECT_EQ(Flag(2), 1);
    EXPECT_EQ(Flag(7), 1);

    // A file that cannot be written changes nothing.
    const std::string before = S.MatrixFilePath;
    const auto err = SaveMatrixFile(ctx, Path("missing-folder/x"));
    ASSERT_TRUE(err);
    EXPECT_EQ(S.MatrixFilePath, before);
    EXPECT_EQ(store.GetParamText(51), before);
}

TEST_F(MatrixFilesTest, InterruptedSaveKeepsThePreviousFile)
{
    WriteBmp(Path("m.bmp"), Picture(100, 50, {2}));
    ASSERT_FALSE(LoadMatrixFile(ctx, Path("m.bmp"), Profile()));
    ASSERT_FALSE(SaveMatrixFile(ctx, Path("keep")));
    const QByteArray previous = ReadRaw(Path("keep.bmp"));
    ASSERT_GT(previous.size(), 4096);
    // A child process may write no more than 4 KiB per file: the save must
    // report the failure and leave the file as it was.
    EXPECT_EXIT(SaveWithFileSizeLimit(4096), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadRaw(Path("keep.bmp")), previous);
}

TEST_F(MatrixFilesTest, ExportAndImportRoundTrip)
{
    WriteBmp(Path("m.bmp"), Picture(100, 50, {6}));
    ASSERT_FALSE(LoadMatrixCommand(ctx, Path("m.bmp"), Profile()));
    const Bitmap original = S.MatrixBitmap;
    log.Lines.clear();

    const std::string folder = Path("db");
    ASSERT_FALSE(ExportSampleFolder(ctx, folder));
    ASSERT_EQ(log.Lines.size(), 1u);
    EXPECT_EQ(log.Lines[0], std::make_pair("Saving the sample into a file:" + folder + " K=1", 23));
    QStringList found;
    QDirIterator it(QString::fromStdString(folder), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(QString::fromStdString(folder)).relativeFilePath(it.next());
    found.sort();
    EXPECT_EQ(found, (QStringList{"01", "01/01.bmp"}));
    const QByteArray cellFile = ReadRaw(folder + "/01/01.bmp");
    ASSERT_GE(cellFile.size(), 54);
    EXPECT_EQ(cellFile[28], 32);

    // A file for the last column is imported like any other; one of another
    // size than the first found is skipped.
    Bitmap last(100, 50, White);
    last.SetPixel(50, 25, Black);
    WriteBmp(folder + "/01/03.bmp", last);
    WriteBmp(folder + "/01/02.bmp", Bitmap(90, 50, Black));

    // The import starts from another sample size and an emptied matrix.
    store.SetParamText(21, "120");
    ASSERT_TRUE(ApplyConfiguration(ctx, "").Ok());
    log.Lines.clear();
    ASSERT_FALSE(ImportSampleFolder(ctx, folder));
    EXPECT_EQ(S.SampleWidth, 100);
    EXPECT_EQ(S.SampleHeight, 50);
    EXPECT_EQ(store.GetParamText(21), "100");
    EXPECT_EQ(store.GetParamText(22), "50");
    std::vector<int> expected = OnlyCell(6);
    expected[7] = 1;
    EXPECT_EQ(Flags(), expected);
    EXPECT_EQ(S.AvailableList[1], "0 1 0 1 ");
    EXPECT_EQ(S.MatrixFilePath, "");
    EXPECT_EQ(S.CellMode, 8); // the last cell re-taken
    for (int x = 100; x < 200; ++x)
        for (int y = 50; y < 100; ++y)
            ASSERT_EQ(S.MatrixBitmap.Pixel(x, y), original.Pixel(x, y)) << x << "," << y;
    ASSERT_FALSE(log.Lines.empty());
    EXPECT_EQ(log.Lines[0], std::make_pair(std::string("Loading a sample from the file:, Sample dimensions:100x50"), 23));
}

TEST_F(MatrixFilesTest, BadSampleFolders)
{
    WriteBmp(Path("m.bmp"), Picture(100, 50, {6}));
    ASSERT_FALSE(LoadMatrixCommand(ctx, Path("m.bmp"), Profile()));
    const Bitmap cell = Bitmap(100, 50, Black);

    struct File {
        const char* name;
        Bitmap picture;
        QByteArray raw = {};
    };
    struct Case {
        const char* name;
        std::vector<File> files;
        bool refused;
        std::vector<int> flags; // after an import that was not refused
    } cases[] = {
        {"no column number in the name", {{"00/00.bmp", cell}, {"00/ab.bmp", cell}}, true, {}},
        {"name too short", {{"00/0.bmp", cell}}, true, {}},
        {"unreadable picture", {{"00/00.bmp", cell}, {"00/01.bmp", {}, "BMgarbage"}}, true, {}},
        {"first picture wider than the target area", {{"00/00.bmp", Bitmap(141, 50, Black)}}, true, {}},
        {"negative column skipped", {{"00/-1.bmp", cell}, {"01/01.bmp", cell}}, false, OnlyCell(6)},
        {"column beyond the matrix skipped", {{"00/04.bmp", cell}, {"00/00.bmp", cell}}, false, OnlyCell(1)},
        {"no row folders", {{"other/00.bmp", cell}}, false, std::vector<int>(16, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir d;
        const std::string base = d.path().toStdString();
        for (const File& f : c.files) {
            if (f.raw.isEmpty())
                WriteBmp(base + "/" + f.name, f.picture);
            else
                WriteRaw(base + "/" + f.name, f.raw);
        }
        ASSERT_FALSE(LoadMatrixCommand(ctx, Path("m.bmp"), Profile()));
        const Snapshot before = Take();
        log.Lines.clear();
        const auto err = ImportSampleFolder(ctx, base);
        if (c.refused) {
            ASSERT_TRUE(err);
            ASSERT_EQ(log.Lines.size(), 1u);
            EXPECT_EQ(log.Lines[0].first, *err);
            EXPECT_TRUE(Take() == before);
        } else {
            ASSERT_FALSE(err) << *err;
            EXPECT_EQ(Flags(), c.flags);
            EXPECT_EQ(S.SampleWidth, 100);
            EXPECT_EQ(store.GetParamText(51), "");
        }
    }
}

} // namespace
} // namespace okulon

namespace okulon {
namespace {

TEST(ImageFiles, ReadBackWhatWasWrittenAndRefuseWhatIsNotAPicture)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    Bitmap b(5, 3, White);
    b.SetPixel(0, 0, Rgb(1, 2, 3));
    b.SetPixel(4, 2, Rgb(250, 100, 7));
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const std::string path = base + "/p" + std::to_string(bits) + ".bmp";
        ASSERT_FALSE(WriteBmpFile(path, b, bits));
        Bitmap read;
        ASSERT_FALSE(ReadImageFile(path, ImageFormat::Bmp, read));
        EXPECT_TRUE(read == b);
    }

    // PNG is read where any format is allowed, and refused where only BMP is.
    QImage png(5, 3, QImage::Format_RGB32);
    png.fill(qRgb(9, 8, 7));
    ASSERT_TRUE(png.save(QString::fromStdString(base + "/p.png"), "PNG"));
    Bitmap read;
    ASSERT_FALSE(ReadImageFile(base + "/p.png", ImageFormat::Any, read));
    EXPECT_EQ(read.Pixel(4, 2), Rgb(9, 8, 7));
    EXPECT_TRUE(ReadImageFile(base + "/p.png", ImageFormat::Bmp, read));

    // A header claiming 60000 x 60000 pixels is refused before decoding.
    std::vector<std::uint8_t> huge = EncodeBmp(Bitmap(2, 2, White), 24);
    for (int at : {18, 22}) {
        huge[static_cast<std::size_t>(at)] = 60000 & 0xFF;
        huge[static_cast<std::size_t>(at) + 1] = 60000 >> 8;
    }
    QFile f(QString::fromStdString(base + "/huge.bmp"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(huge.data()), static_cast<qint64>(huge.size()));
    f.close();
    EXPECT_TRUE(ReadImageFile(base + "/huge.bmp", ImageFormat::Any, read));
    // A whole picture above the largest side is refused too.
    ASSERT_FALSE(WriteBmpFile(base + "/wide.bmp", Bitmap(DefaultMaxImageSide + 1, 1, White), 24));
    const auto err = ReadImageFile(base + "/wide.bmp", ImageFormat::Any, read);
    ASSERT_TRUE(err);
    EXPECT_NE(err->find("too large"), std::string::npos) << *err;
    EXPECT_EQ(read.Pixel(4, 2), Rgb(9, 8, 7)); // unchanged
    EXPECT_TRUE(ReadImageFile(base + "/missing.bmp", ImageFormat::Any, read));
}

} // namespace
} // namespace okulon

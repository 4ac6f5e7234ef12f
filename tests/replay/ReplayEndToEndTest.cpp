#include "ImageFiles.h"
#include "ReplaySession.h"
#include "SyntheticEye.h"

#include "Profiles.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>

namespace okulon::replay {
namespace {

struct FrameKeys {
    int frame;
    int message;
    int key;
    bool operator==(const FrameKeys&) const = default;
};

std::ostream& operator<<(std::ostream& os, const FrameKeys& k)
{
    return os << "{frame " << k.frame << ": " << k.message << " " << k.key << "}";
}

// Synthetic camera frames of one eye on a 400 x 300 screen; the eye sits in
// the middle of the default target area (140 x 160 at 170, 75).
class ReplayEndToEnd : public ::testing::Test {
protected:
    void writeFrames(const std::vector<bool>& closed)
    {
        QDir().mkpath(dir.filePath("frames"));
        for (std::size_t i = 0; i < closed.size(); ++i) {
            EyeScene scene;
            scene.open = !closed[i];
            scene.jitterX = static_cast<int>(i * 7 % 5) - 2;
            scene.jitterY = static_cast<int>(i * 3 % 3) - 1;
            scene.seed = static_cast<std::uint32_t>(i + 11);
            const QString name = dir.filePath(QStringLiteral("frames/f%1.bmp").arg(i, 4, 10, QLatin1Char('0')));
            ASSERT_FALSE(WriteBmpFile(name.toStdString(), RenderEyeScene(scene), 24));
        }
    }

    // The default profile with a few values changed.
    void writeProfile(const std::map<int, QString>& values)
    {
        QStringList lines = Profiles::defaultProfileText();
        for (QString& line : lines) {
            for (const auto& [n, v] : values)
                if (line.startsWith(QStringLiteral("ParameterItem%1=").arg(n)))
                    line = QStringLiteral("ParameterItem%1=%2").arg(n).arg(v);
        }
        QFile f(dir.filePath("okulon.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines.join("\r\n").toUtf8() + "\r\n");
    }

    void writeText(const QString& name, const QByteArray& text)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    int run()
    {
        Options o;
        o.profile = dir.filePath("okulon.ini");
        o.events = dir.filePath("events.txt");
        o.dumpParams = dir.filePath("params.txt");
        o.frameArgs = {dir.filePath("frames")};
        out.str({});
        err.str({});
        ReplaySession session(o, out, err);
        return session.Run();
    }

    std::vector<FrameKeys> keys() const
    {
        std::vector<FrameKeys> all;
        static const QRegularExpression frameRe(QStringLiteral("\"frame\": (\\d+)"));
        static const QRegularExpression keysRe(QStringLiteral("\"keys\": \\[(.*?)\\]\\]|\"keys\": \\[\\]"));
        static const QRegularExpression pairRe(QStringLiteral("\\[(\\d+), (\\d+)"));
        std::istringstream in(out.str());
        std::string line;
        while (std::getline(in, line)) {
            const QString l = QString::fromStdString(line);
            const int frame = frameRe.match(l).captured(1).toInt();
            const auto km = keysRe.match(l);
            auto it = pairRe.globalMatch(km.captured(1));
            while (it.hasNext()) {
                const auto m = it.next();
                all.push_back({frame, m.captured(1).toInt(), m.captured(2).toInt()});
            }
        }
        return all;
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> all;
        std::istringstream in(out.str());
        std::string line;
        while (std::getline(in, line))
            all.push_back(line);
        return all;
    }

    QTemporaryDir dir;
    std::ostringstream out;
    std::ostringstream err;
};

std::vector<bool> eyeClosed(int frames, const std::vector<std::pair<int, int>>& closedRanges)
{
    std::vector<bool> closed(static_cast<std::size_t>(frames), false);
    for (const auto& [from, to] : closedRanges)
        for (int i = from; i <= to; ++i)
            closed[static_cast<std::size_t>(i)] = true;
    return closed;
}

TEST_F(ReplayEndToEnd, ManualCalibrationThenBlinks)
{
    // Frames 1-2 take the open sample; the eye is closed from frame 3, the
    // closed sample is taken at frames 4-5; then it opens and blinks twice.
    writeFrames(eyeClosed(40, {{3, 8}, {16, 21}, {28, 33}}));
    writeProfile({{27, "170"}, {50, "3"}, {111, "0 0"}});
    writeText("events.txt",
        "# open sample into cell 1 (row 0), closed sample into cell 5 (row 1)\n"
        "1 click right 70 80\n"
        "2 arm 1\n"
        "4 click right 70 80\n"
        "5 arm 5\n");
    ASSERT_EQ(run(), 0) << err.str();
    ASSERT_EQ(lines().size(), 40u);
    EXPECT_NE(lines()[0].find("\"mode\": \"recognition\""), std::string::npos) << lines()[0];
    EXPECT_NE(lines()[1].find("\"mode\": \"sampling\""), std::string::npos) << lines()[1];

    // Row 1 (closed) holds "32 1", key down; row 0 (open) "32 2", key up.
    // Each fires on the third frame of its state. The first closed frame (3)
    // still matched row 0, which had not fired yet, and frame 4 only takes
    // the sample, so the count goes on and row 1 fires at frame 5, the third
    // closed frame.
    const std::vector<FrameKeys> expected = {
        {5, 256, 32}, {11, 257, 32}, {18, 256, 32}, {24, 257, 32}, {30, 256, 32}, {36, 257, 32}};
    EXPECT_EQ(keys(), expected) << out.str();
}

TEST_F(ReplayEndToEnd, AutomaticCalibrationWithTwoSteps)
{
    // Step 0 (eye finding, no threshold) lasts 7 s = 140 frames of 50 ms;
    // step 1 takes the open sample at 9 s (frame 180) into row 0, step 2 the
    // closed one at 12 s (frame 240) into row 1; the run ends at 13 s and
    // recognition starts on the next image.
    writeFrames(eyeClosed(300, {{220, 259}, {270, 279}, {288, 296}}));
    writeProfile({{27, "170"}, {50, "3"}, {111, "0 0"}, {48, "0"}});
    writeText("Eye_2S1P2M.dat", "5 1 0 1 1 1\r\n5 4 1 1 1 1\r\n");
    writeText("events.txt", "0 idle\n0 calibrate\n");
    ASSERT_EQ(run(), 0) << err.str();
    const auto all = lines();
    ASSERT_EQ(all.size(), 300u);
    EXPECT_NE(all[0].find("\"mode\": \"calibration\""), std::string::npos) << all[0];
    EXPECT_NE(all[0].find("\"step\": 0"), std::string::npos) << all[0];
    EXPECT_NE(all[260].find("\"mode\": \"calibration\""), std::string::npos) << all[260];
    EXPECT_NE(all[261].find("\"mode\": \"recognition\""), std::string::npos) << all[261];
    const std::vector<FrameKeys> expected = {{263, 257, 32}, {272, 256, 32}, {282, 257, 32}, {290, 256, 32}, {299, 257, 32}};
    EXPECT_EQ(keys(), expected) << err.str();
}

TEST_F(ReplayEndToEnd, BadEventsLineEndsWithExitTwo)
{
    writeFrames(eyeClosed(2, {}));
    writeProfile({});
    writeText("events.txt", "0 click left 1 2\n1 dance\n");
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(err.str(), "okulon-replay: " + dir.filePath("events.txt").toStdString() + ":2: unknown verb \"dance\"\n");
    EXPECT_TRUE(out.str().empty());
}

TEST_F(ReplayEndToEnd, DumpsParameters)
{
    writeFrames(eyeClosed(1, {}));
    writeProfile({{101, "My keyboard"}});
    writeText("events.txt", "0 idle\n0 set 12 other.dat\n");
    ASSERT_EQ(run(), 0) << err.str();
    QFile f(dir.filePath("params.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList dumped = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(dumped.size(), 125);
    EXPECT_EQ(dumped[0], "1=VALUES");
    EXPECT_EQ(dumped[11], "12=other.dat");
    EXPECT_EQ(dumped[100], "101=My keyboard");
    EXPECT_NE(lines()[0].find("\"mode\": \"idle\""), std::string::npos);
}

} // namespace
} // namespace okulon::replay

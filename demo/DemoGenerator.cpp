// Writes the demo's frames: a synthetic eye that is open, is closed while the
// samples are taken, and then blinks. Usage: okulon-demo-gen FOLDER
#include "SyntheticEye.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTextStream>

using namespace okulon;
using namespace okulon::replay;

namespace {

// Whether the eye is closed in frame i; the events file takes the samples at
// frames 1 (open) and 4 (closed).
bool closedAt(int i)
{
    return (i >= 3 && i <= 7) || (i >= 13 && i <= 17) || (i >= 24 && i <= 27);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: okulon-demo-gen FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "okulon-demo-gen: cannot create " << folder << "\n";
        return 2;
    }
    constexpr int frames = 34;
    for (int i = 0; i < frames; ++i) {
        EyeScene scene;
        scene.open = !closedAt(i);
        scene.jitterX = (i * 7 % 5) - 2;
        scene.jitterY = (i * 3 % 3) - 1;
        scene.seed = static_cast<std::uint32_t>(i + 1);
        const Bitmap bmp = RenderEyeScene(scene);
        QImage img(bmp.Width(), bmp.Height(), QImage::Format_RGB32);
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x) {
                const Color c = bmp.Pixel(x, y);
                img.setPixel(x, y, qRgb(RedOf(c), GreenOf(c), BlueOf(c)));
            }
        const QString name = QStringLiteral("%1/frame_%2.png").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
        if (!img.save(name)) {
            QTextStream(stderr) << "okulon-demo-gen: cannot write " << name << "\n";
            return 2;
        }
    }
    return 0;
}

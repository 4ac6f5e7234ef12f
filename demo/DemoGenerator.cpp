// Writes the demo's frames: a synthetic eye that is open, is closed while the
// samples are taken, and then blinks. Usage: okulon-demo-gen FOLDER
#include "ImageFiles.h"
#include "SyntheticEye.h"

#include <QCoreApplication>
#include <QDir>
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
        const QString name = QStringLiteral("%1/frame_%2.bmp").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
        if (auto error = WriteBmpFile(name.toStdString(), RenderEyeScene(scene), 24)) {
            QTextStream(stderr) << "okulon-demo-gen: " << QString::fromStdString(*error) << "\n";
            return 2;
        }
    }
    return 0;
}

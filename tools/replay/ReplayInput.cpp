#include "ReplayInput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>

namespace okulon::replay {

namespace {

std::optional<int> wholeNumber(const QString& s)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?\\d{1,9}$"));
    if (!re.match(s).hasMatch())
        return std::nullopt;
    return s.toInt();
}

} // namespace

Result<Options> ParseArguments(const QStringList& args)
{
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        QString* target = nullptr;
        if (a == QLatin1String("--profile"))
            target = &o.profile;
        else if (a == QLatin1String("--events"))
            target = &o.events;
        else if (a == QLatin1String("--dump-matrix"))
            target = &o.dumpMatrix;
        else if (a == QLatin1String("--dump-params"))
            target = &o.dumpParams;
        if (target) {
            if (i + 1 >= args.size())
                return InputError{a + QStringLiteral(" needs a file name")};
            *target = args.at(++i);
            continue;
        }
        if (a.startsWith(QLatin1String("--")))
            return InputError{QStringLiteral("unknown option ") + a};
        o.frameArgs.append(a);
    }
    if (o.frameArgs.isEmpty())
        return InputError{QStringLiteral(
            "usage: okulon-replay [--profile FILE] [--events FILE] [--dump-matrix FILE] [--dump-params FILE] FRAME...")};
    return o;
}

Result<QStringList> ExpandFrames(const QStringList& frameArgs)
{
    QStringList frames;
    for (const QString& a : frameArgs) {
        const QFileInfo info(a);
        if (info.isDir()) {
            QStringList names;
            for (const QString& name : QDir(a).entryList(QDir::Files)) {
                const QString lower = name.toLower();
                if (lower.endsWith(QLatin1String(".png")) || lower.endsWith(QLatin1String(".bmp")))
                    names.append(name);
            }
            // Byte-wise order of the UTF-8 names.
            std::sort(names.begin(), names.end(),
                [](const QString& l, const QString& r) { return l.toUtf8() < r.toUtf8(); });
            for (const QString& name : names)
                frames.append(QDir(a).filePath(name));
        } else if (info.isFile()) {
            frames.append(a);
        } else {
            return InputError{QStringLiteral("no such frame file or folder: ") + a};
        }
    }
    return frames;
}

std::optional<InputError> CheckFrame(const QString& file)
{
    QImageReader reader(file);
    if (!reader.canRead())
        return InputError{file + QStringLiteral(": not a readable PNG or BMP image")};
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > MaxFrameSide || size.height() > MaxFrameSide))
        return InputError{file + QStringLiteral(": image of %1 x %2 pixels is too large").arg(size.width()).arg(size.height())};
    return std::nullopt;
}

Result<Bitmap> LoadFrame(const QString& file)
{
    if (auto error = CheckFrame(file))
        return *error;
    QImageReader reader(file);
    reader.setAllocationLimit(256); // megabytes
    QImage image = reader.read();
    if (image.isNull())
        return InputError{file + QStringLiteral(": ") + reader.errorString()};
    image = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bmp(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        Color* out = bmp.Row(y);
        for (int x = 0; x < image.width(); ++x)
            out[x] = Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    return bmp;
}

Result<std::vector<Event>> ParseEvents(const QString& text, const QString& fileName)
{
    std::vector<Event> events;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const int lineNo = static_cast<int>(i + 1);
        auto fail = [&](const QString& why) {
            return InputError{QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNo).arg(why)};
        };

        // FRAME and VERB, then the rest of the line as it stands.
        static const QRegularExpression head(QStringLiteral("^\\s*(\\S+)\\s+(\\S+)(?:\\s(.*))?$"));
        const auto m = head.match(line);
        if (!m.hasMatch())
            return fail(QStringLiteral("expected FRAME VERB ARGS..."));
        const auto frame = wholeNumber(m.captured(1));
        if (!frame || *frame < 0)
            return fail(QStringLiteral("bad frame number \"%1\"").arg(m.captured(1)));
        const QString verb = m.captured(2);
        const QString rest = m.captured(3);
        const QStringList args = rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);

        Event e;
        e.frame = *frame;
        e.line = lineNo;
        auto noArgs = [&](Verb v) -> std::optional<InputError> {
            if (!args.isEmpty())
                return fail(verb + QStringLiteral(" takes no arguments"));
            e.verb = v;
            return std::nullopt;
        };
        auto pathArg = [&](Verb v) -> std::optional<InputError> {
            if (rest.trimmed().isEmpty())
                return fail(verb + QStringLiteral(" needs a path"));
            e.verb = v;
            e.text = rest.trimmed();
            return std::nullopt;
        };
        std::optional<InputError> error;
        if (verb == QLatin1String("idle")) {
            error = noArgs(Verb::Idle);
            if (!error && e.frame != 0)
                error = fail(QStringLiteral("idle is only for frame 0"));
        } else if (verb == QLatin1String("click")) {
            if (args.size() != 3)
                return fail(QStringLiteral("click takes left|right|middle X Y"));
            if (args[0] == QLatin1String("left"))
                e.button = Button::Left;
            else if (args[0] == QLatin1String("right"))
                e.button = Button::Right;
            else if (args[0] == QLatin1String("middle"))
                e.button = Button::Middle;
            else
                return fail(QStringLiteral("unknown mouse button \"%1\"").arg(args[0]));
            const auto x = wholeNumber(args[1]);
            const auto y = wholeNumber(args[2]);
            if (!x || !y)
                return fail(QStringLiteral("click needs whole-number coordinates"));
            e.verb = Verb::Click;
            e.x = *x;
            e.y = *y;
        } else if (verb == QLatin1String("arm")) {
            const auto k = args.size() == 1 ? wholeNumber(args[0]) : std::nullopt;
            if (!k)
                return fail(QStringLiteral("arm takes a cell number"));
            e.verb = Verb::Arm;
            e.number = *k;
        } else if (verb == QLatin1String("set")) {
            static const QRegularExpression setArgs(QStringLiteral("^\\s*(\\S+)(?:\\s(.*))?$"));
            const auto sm = setArgs.match(rest);
            const auto n = sm.hasMatch() ? wholeNumber(sm.captured(1)) : std::nullopt;
            if (!n || *n < 1)
                return fail(QStringLiteral("set takes a parameter number and a value"));
            e.verb = Verb::Set;
            e.number = *n;
            e.text = sm.captured(2);
        } else if (verb == QLatin1String("startstop")) {
            error = noArgs(Verb::StartStop);
        } else if (verb == QLatin1String("calibrate")) {
            error = noArgs(Verb::Calibrate);
        } else if (verb == QLatin1String("f11")) {
            error = noArgs(Verb::F11);
        } else if (verb == QLatin1String("weights")) {
            error = noArgs(Verb::Weights);
        } else if (verb == QLatin1String("apply")) {
            error = noArgs(Verb::Apply);
        } else if (verb == QLatin1String("clear-matrix")) {
            error = noArgs(Verb::ClearMatrix);
        } else if (verb == QLatin1String("structure")) {
            error = pathArg(Verb::Structure);
        } else if (verb == QLatin1String("load-matrix")) {
            error = pathArg(Verb::LoadMatrix);
        } else if (verb == QLatin1String("save-matrix")) {
            error = pathArg(Verb::SaveMatrix);
        } else {
            return fail(QStringLiteral("unknown verb \"%1\"").arg(verb));
        }
        if (error)
            return *error;
        events.push_back(e);
    }
    return events;
}

Result<std::vector<Event>> ReadEvents(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return InputError{fileName + QStringLiteral(": cannot read the events file")};
    if (f.size() > 64 * 1024 * 1024)
        return InputError{fileName + QStringLiteral(": the events file is too large")};
    const QByteArray bytes = f.readAll();
    if (bytes.contains('\0'))
        return InputError{fileName + QStringLiteral(": not a text file")};
    return ParseEvents(QString::fromUtf8(bytes), fileName);
}

} // namespace okulon::replay

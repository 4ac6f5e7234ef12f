#include "TextUtil.h"

#include "KeyAction.h"

#include <QSaveFile>


namespace okulon {

QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

std::optional<std::int32_t> ParseWholeInt(const QString& text)
{
    return ParseInt32(text.toStdString());
}

std::int32_t IntOrZero(const QString& text)
{
    return ParseWholeInt(text).value_or(0);
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QByteArray JoinLinesCrLf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool WriteFileAtomically(const QString& fileName, const QByteArray& bytes)
{
    // Unbuffered, so that a short write (disk full, file size limit) is seen
    // here: a buffered QSaveFile can commit a truncated file as a success.
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            f.cancelWriting();
            return false;
        }
        done += n;
    }
    return f.commit();
}

} // namespace okulon

#include "UnitLog.h"

#include "TextUtil.h"

#include <QFile>

namespace okulon {

QString TimeStampPrefix(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMdd-HHmmss.zzz")) + QStringLiteral(": ");
}

QString LogFileNameFor(const QString& programPath)
{
    return programPath.left(std::max<qsizetype>(programPath.size() - 3, 0)) + QStringLiteral("log");
}

EventLog::EventLog(QString programPath, Now now, QObject* parent)
    : QObject(parent)
    , m_logFile(LogFileNameFor(programPath))
    , m_now(now ? std::move(now) : Now([] { return QDateTime::currentDateTime(); }))
    , m_title(QStringLiteral("Event Log"))
{
}

void EventLog::WriteLog(const std::string& text, int code)
{
    writeLog(QString::fromStdString(text), code);
}

void EventLog::writeLog(const QString& text, int code)
{
    const int window = code / 10;
    const int file = code % 10;
    if (window == 1 || window == 2) {
        const QString line = window == 2 ? TimeStampPrefix(m_now()) + text : text;
        m_lines.append(line);
        m_lineBytes += line.toUtf8().size();
        emit lineAdded(line);
        updateTitle();
    }
    switch (file) {
    case 1:
        appendToFile(text.toUtf8());
        break;
    case 2:
        appendToFile(text.toUtf8() + "\r\n");
        break;
    case 3:
        appendToFile((TimeStampPrefix(m_now()) + text).toUtf8() + "\r\n");
        break;
    default:
        break;
    }
}

void EventLog::appendToFile(const QByteArray& bytes) const
{
    // A log file that cannot be opened or written is skipped without a word.
    QFile f(m_logFile);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(bytes);
}

void EventLog::updateTitle()
{
    m_title = m_showStatistics
        ? QStringLiteral("Count of Lines = %1, count of Bytes = %2.").arg(m_lines.size()).arg(m_lineBytes)
        : QStringLiteral("Event Log");
    emit titleChanged(m_title);
}

void EventLog::toggleStatistics()
{
    m_showStatistics = !m_showStatistics;
    updateTitle();
}

void EventLog::clear()
{
    m_lines.clear();
    m_lineBytes = 0;
    emit cleared();
}

bool EventLog::saveLines(const QString& fileName) const
{
    return WriteFileAtomically(fileName, JoinLinesCrLf(m_lines));
}

} // namespace okulon

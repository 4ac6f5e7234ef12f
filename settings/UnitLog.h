// The event log: one writer for the log window's lines and the log file.
#pragma once

#include "Ports.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <functional>

namespace okulon {

// "yyyymmdd-hhnnss.zzz: " for the given local time.
QString TimeStampPrefix(const QDateTime& when);

// The log file of a program: its path with the last three characters replaced by "log".
QString LogFileNameFor(const QString& programPath);

class EventLog : public QObject, public IEventLog {
    Q_OBJECT

public:
    using Now = std::function<QDateTime()>;

    explicit EventLog(QString programPath, Now now = {}, QObject* parent = nullptr);

    // code: tens digit 1 = window line, 2 = time-stamped window line; units
    // digit 1 = text to the file, 2 = text and line break, 3 = time stamp,
    // text and line break. Other digits do nothing.
    void WriteLog(const std::string& text, int code) override;
    void writeLog(const QString& text, int code);

    const QStringList& lines() const { return m_lines; }
    QString logFileName() const { return m_logFile; }

    // The window title: statistics of the lines, or "Event Log".
    QString title() const { return m_title; }
    bool showStatistics() const { return m_showStatistics; }
    void toggleStatistics(); // "Show Statistics in Caption"
    void updateTitle();

    void clear(); // "Clear Log": the title waits for the next write
    // "Save Log As...": the lines, one each, replacing the file. False when it
    // could not be written; the previous file then stays as it was.
    bool saveLines(const QString& fileName) const;

signals:
    void lineAdded(const QString& line);
    void cleared();
    void titleChanged(const QString& title);

private:
    void appendToFile(const QByteArray& bytes) const;

    QString m_logFile;
    Now m_now;
    QStringList m_lines;
    qsizetype m_lineBytes = 0;
    QString m_title;
    bool m_showStatistics = true;
};

} // namespace okulon

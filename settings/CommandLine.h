// The program's command-line options.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace okulon {

struct CommandLine {
    bool dumpDefaultLanguage = false;
    QString profileFileName; // the default profile unless -profile= names an existing file
    QString delimiters;
    QString overrides;
    QChar pairSeparator = u'&';
    QChar valueSeparator = u'=';
};

// arguments: without the program itself. An argument matches an option when it
// contains the option's text in any case; its value is the argument without as
// many leading characters as the option has. programFolder has no trailing "/".
CommandLine ProcessCommandLine(const QStringList& arguments, const QString& programFolder,
    const QString& defaultProfileFile);

} // namespace okulon

#include "CommandLine.h"

#include <QFileInfo>

namespace okulon {

namespace {

bool matches(const QString& argument, QLatin1String option)
{
    return argument.toLower().contains(option);
}

} // namespace

CommandLine ProcessCommandLine(const QStringList& arguments, const QString& programFolder,
    const QString& defaultProfileFile)
{
    static const QLatin1String dump("-dump_default_language");
    static const QLatin1String profile("-profile=");
    static const QLatin1String delimiters("-delimiters=");
    static const QLatin1String parameters("-parameters=");

    CommandLine cl;
    for (const QString& a : arguments) {
        if (matches(a, dump)) {
            cl.dumpDefaultLanguage = true;
            return cl;
        }
    }

    cl.profileFileName = defaultProfileFile;
    bool seenProfile = false;
    bool seenDelimiters = false;
    bool seenParameters = false;
    for (const QString& a : arguments) {
        if (matches(a, profile)) {
            const QString candidate = programFolder + u'/' + a.mid(profile.size());
            if (QFileInfo(candidate).isFile())
                cl.profileFileName = candidate;
            seenProfile = true;
        } else if (matches(a, delimiters)) {
            cl.delimiters = a.mid(delimiters.size());
            seenDelimiters = true;
        } else if (matches(a, parameters)) {
            cl.overrides = a.mid(parameters.size());
            seenParameters = true;
        } else if (seenProfile && seenDelimiters && seenParameters) {
            break;
        }
    }

    if (!cl.overrides.isEmpty()) {
        if (cl.delimiters.size() == 2)
            cl.valueSeparator = cl.delimiters.at(1);
        if (!cl.delimiters.isEmpty())
            cl.pairSeparator = cl.delimiters.at(0);
    }
    return cl;
}

} // namespace okulon

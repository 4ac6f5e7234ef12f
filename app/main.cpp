// Okulon start-up. The windows are not here yet: the program runs its
// start-up and shutdown without them, so that the profile, the language and
// the event log can be used and checked from the command line.
#include "MatrixFiles.h"
#include "SettingsMain.h"
#include "StructureFile.h"
#include "UnitGlobal_v.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

using namespace okulon;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("OkulonPro"));

    const QString programPath = QCoreApplication::applicationFilePath();
    const QString programFolder = QFileInfo(programPath).absolutePath();

    ParameterStore parameters;
    Localisation localisation(parameters, programFolder);
    EventLog log(programPath);
    Profiles profiles(parameters, localisation, programPath);

    // The engine state, headless until the windows exist: no screen yet.
    TrackerState state;
    EngineContext ctx{state, parameters, &log, &localisation, nullptr, nullptr, {}, {}, {}, {}, nullptr, nullptr};
    ctx.ProgramFolder = (programFolder + QLatin1Char('/')).toStdString();
    ctx.LoadStructure = StructureFileLoader();
    ctx.LoadMatrixFile = MatrixFileLoader([&] { return profiles.profileFileName().toStdString(); });
    profiles.setApplyConfiguration([&](const QString& fileName) {
        for (const std::string& error : ApplyConfiguration(ctx, fileName.toStdString()).Errors)
            QTextStream(stderr) << "okulon: " << QString::fromStdString(error) << "\n";
    });

    // The main window's creation: no language has been applied yet, so this
    // line holds only the time stamp.
    log.writeLog(localisation.messageText(18), 23);

    const CommandLine cl = ProcessCommandLine(QCoreApplication::arguments().mid(1), programFolder,
        profiles.defaultProfileFile());
    if (cl.dumpDefaultLanguage)
        return localisation.DumpCurrentLanguage() ? 0 : 1;

    profiles.setProfileFileName(cl.profileFileName);
    profiles.LoadSettingsFile(cl.profileFileName, true, cl.overrides, cl.pairSeparator, cl.valueSeparator);
    profiles.ApplyCurrentSettings();

    QTextStream out(stdout);
    out << "Okulon: profile " << profiles.profileFileName() << ", language " << parameters.paramText(2)
        << ", " << parameters.rows() << " parameters\n"
        << "  receiving program: " << parameters.paramText(101) << "\n"
        << "  target area: " << parameters.GetParamInt(25) << " x " << parameters.GetParamInt(26) << " at ("
        << parameters.GetParamInt(27) << ", " << parameters.GetParamInt(28) << ")\n"
        << "  structure points: " << state.LivePoints.at(0).F[2] << ", matrix " << state.MatrixCols << " x "
        << state.MatrixRows << " cells of " << state.SampleWidth << " x " << state.SampleHeight << "\n"
        << "  event log: " << log.logFileName() << "\n"
        << "The recognition windows are not built yet; the profile is saved and the program ends.\n";

    // Shutdown as when the main window closes.
    const bool saved = profiles.SaveProfileFile(QString());
    log.writeLog(localisation.messageText(25), 23);
    log.writeLog(QString(), 3);
    if (!saved) {
        QTextStream(stderr) << "okulon: could not write the profile " << profiles.profileFileName() << "\n";
        return 1;
    }
    return 0;
}

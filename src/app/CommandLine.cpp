#include "CommandLine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <array>
#include <cstdio>

#include "CommandLineExports.h"
#include "DriverStandings.h"
#include "RecordsCommand.h"
#include "ReplayCommand.h"
#include "TimesheetSettings.h"

namespace {

struct ExportCommand {
    const char* option;         // "--timesheet"
    const char* input;          // what follows it, for the usage text
    const char* output_option;  // "--pdf"
    const char* output;
    const char* what;  // for --help
    // Returns an empty text, or why nothing was written.
    QString (*run)(const QString& input, const QString& output, const QString& track);
};

// Other options join this table.
const std::array<ExportCommand, 3> kCommands = {{
    {"--timesheet", "SESSION_FILE", "--pdf", "OUT.pdf",
     "every driver's timesheet of a session file as one PDF",
     [](const QString& in, const QString& out, const QString& track) {
         return ExportTimesheetPdf(in, out, track);
     }},
    {"--result", "SESSION_FILE", "--csv", "OUT.csv", "the ranked result of a session file as CSV",
     [](const QString& in, const QString& out, const QString& track) {
         return ExportResultCsvFile(in, out, track);
     }},
    {"--laps", "DAY_FOLDER", "--csv", "OUT.csv", "every lap of every session of a day as CSV",
     [](const QString& in, const QString& out, const QString&) {
         return ExportDayLapsCsv(in, out);
     }},
}};

QString Usage(const char* name) {
    QString text = QStringLiteral("Usage:\n");
    for (const ExportCommand& command : kCommands) {
        text += QStringLiteral("  %1 %2 %3 %4 %5\n      %6\n")
                    .arg(QLatin1String(name), QLatin1String(command.option),
                         QLatin1String(command.input), QLatin1String(command.output_option),
                         QLatin1String(command.output), QLatin1String(command.what));
    }
    text += QStringLiteral("  %1 %2\n      the line crossings a camera clip shows, one a line\n")
                .arg(QLatin1String(name), QLatin1String(kCameraReplayUsage));
    text += QStringLiteral(
                "  %1 %2\n      the fastest drivers of the day, week, month, year or all"
                " time\n")
                .arg(QLatin1String(name), QLatin1String(kRecordsUsage));
    return text;
}

// A nightly job reads one line on failure and nothing on success: Qt's own notes
// ("XDG_RUNTIME_DIR not set" under cron) would bury it. Only critical messages pass.
void QuietMessages(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}

int Fail(const char* name, const QString& reason) {
    std::fprintf(stderr, "%s: %s\n", name, qPrintable(reason));
    return 2;
}

// The records table needs no window system at all, only the SQL driver plugin.
int RunRecords(const QStringList& arguments, const CommandLineProgram& program) {
    qInstallMessageHandler(QuietMessages);
    int app_argc = 1;
    char* app_argv[] = {const_cast<char*>(program.name), nullptr};
    QCoreApplication app(app_argc, app_argv);
    QCoreApplication::setApplicationName(QLatin1String(program.name));
    QCoreApplication::setOrganizationName(QStringLiteral("RUVO"));
    const RecordsCommandResult result =
        RunRecordsCommand(arguments, program.program_folder(), QDate::currentDate());
    std::fputs(result.output.toUtf8().constData(), stdout);
    if (!result.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", program.name, qPrintable(result.error));
    }
    return result.status;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char* argv[], const CommandLineProgram& program) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    // Qt's own options (-platform, -style) start with one dash and go to the windows.
    if (args.isEmpty() || !args.first().startsWith(QLatin1String("--"))) {
        return std::nullopt;
    }
    if (args.first() == QLatin1String("--help")) {
        std::fputs(qPrintable(Usage(program.name)), stdout);
        return 0;
    }
    if (args.first() == QLatin1String("--camera-replay")) {
        // Reads a clip and prints: no window, so no display needed.
        qInstallMessageHandler(QuietMessages);
        int app_argc = 1;
        QCoreApplication app(app_argc, argv);
        QCoreApplication::setApplicationName(QLatin1String(program.name));
        QCoreApplication::setOrganizationName(QStringLiteral("RUVO"));
        return RunCameraReplayCommand(args, program.name, [&program] {
            return program.program_folder() + QStringLiteral("ustawienia.ini");
        });
    }
    if (args.first() == QLatin1String("--records")) {
        return RunRecords(args.mid(1), program);
    }
    const ExportCommand* command = nullptr;
    for (const ExportCommand& candidate : kCommands) {
        if (args.first() == QLatin1String(candidate.option)) {
            command = &candidate;
        }
    }
    if (command == nullptr) {
        return Fail(program.name,
                    QStringLiteral("unknown option %1 (see --help)").arg(args.first()));
    }
    if (args.size() != 4 || args.at(2) != QLatin1String(command->output_option) ||
        args.at(1).isEmpty() || args.at(3).isEmpty()) {
        return Fail(program.name,
                    QStringLiteral("usage: %1 %2 %3 %4 %5")
                        .arg(QLatin1String(program.name), QLatin1String(command->option),
                             QLatin1String(command->input), QLatin1String(command->output_option),
                             QLatin1String(command->output)));
    }
    // No window opens: the offscreen platform needs no display, whatever the
    // environment says.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    int app_argc = 1;
    QGuiApplication app(app_argc, argv);
    QGuiApplication::setApplicationName(QLatin1String(program.name));
    QGuiApplication::setOrganizationName(QStringLiteral("RUVO"));
    const QString track =
        LoadTimesheetSettings(program.program_folder() + QStringLiteral("ustawienia.ini")).track;
    if (command == &kCommands.front()) {
        // The same records lines as the station's own sheets, from the index as it
        // stands (the --records command brings it up to date).
        AmendTimesheetsWithRecords(program.program_folder(), [] { return QDate::currentDate(); });
    }
    const QString reason = command->run(args.at(1), args.at(3), track);
    if (!reason.isEmpty()) {
        return Fail(program.name, reason);
    }
    return 0;
}

#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// A run of a built program as a nightly job on a machine without a display starts it:
// no DISPLAY, no WAYLAND_DISPLAY, no QT_QPA_PLATFORM. RUVOTIMER_HOME points it at home.
struct ProgramOutcome {
    int exit_code = -1;  // -2: crashed; -1: did not finish in time
    QString out;
    QString err;
};

inline ProgramOutcome RunWithoutDisplay(const QString& program, const QString& home,
                                        const QStringList& args, int timeout_ms = 60000) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(name));
    }
    env.insert(QStringLiteral("RUVOTIMER_HOME"), home);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProgramOutcome run;
    if (!process.waitForFinished(timeout_ms)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

#include "LapLogRecovery.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <cstdio>

#include "CameraLapRouter.h"
#include "IniFile.h"
#include "LapJournal.h"
#include "LapLogFormat.h"
#include "LapTable.h"
#include "SessionFile.h"
#include "SessionRecorder.h"

std::array<KartSlot, kSlotCount> ReplayLapLog(const SessionLapLog& log) {
    std::array<KartSlot, kSlotCount> karts{};
    std::array<bool, kSlotCount> set_up{};
    for (const LapLogKart& kart : log.karts) {
        KartSlot& slot = karts[size_t(kart.slot - 1)];
        slot.driver_name = kart.driver_name;
        slot.serial_number = kart.serial_number;
        slot.radio = kart.radio;
        if (!set_up[size_t(kart.slot - 1)]) {
            slot.best_lap_time = kart.best_lap_time;  // what the slot carried in
        }
        set_up[size_t(kart.slot - 1)] = true;
    }
    for (const LapRecord& lap : log.laps) {
        if (lap.deleted) {
            continue;  // taken back by a lap correction before the program stopped
        }
        KartSlot& slot = karts[size_t(lap.slot - 1)];
        if (!set_up[size_t(lap.slot - 1)]) {
            // A log whose set-up records were lost: the laps name the kart.
            slot.driver_name = lap.driver_name;
            slot.serial_number = lap.serial_number;
            slot.radio = lap.radio;
        }
        // As during the session: the lap is stored under the current lap number.
        slot.current_lap_number = lap.lap_number;
        EnterLap(slot, lap.lap_time, lap.rpm_max, lap.rpm_min);
    }
    return karts;
}

JournalSummary SummariseJournal(const QString& journal_path, const SessionLapLog& log) {
    JournalSummary summary;
    summary.started = QDateTime::fromString(QFileInfo(journal_path).fileName().left(19),
                                            QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
    for (const LapRecord& lap : log.laps) {
        if (lap.deleted) {
            ++summary.deleted_laps;
            continue;
        }
        ++summary.laps;
        if (lap.ended_at.isValid()) {
            summary.last_lap = lap.ended_at;
        }
        if (!summary.karts_with_laps.contains(lap.slot)) {
            summary.karts_with_laps.append(lap.slot);
        }
    }
    std::sort(summary.karts_with_laps.begin(), summary.karts_with_laps.end());
    summary.skipped = log.skipped;
    return summary;
}

bool RecoverSession(const QString& program_folder, const QString& journal_path,
                    RecoveredSession* recovered, QString* error_message) {
    auto fail = [&](const QString& message) {
        if (error_message) {
            *error_message = message;
        }
        return false;
    };
    QLockFile lock(journal_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        return fail(QStringLiteral("The lap log %1 is in use by another RUVOTimer.")
                        .arg(QDir::toNativeSeparators(journal_path)));
    }
    const SessionLapLog log = ReadLapLog(journal_path);
    recovered->summary = SummariseJournal(journal_path, log);
    if (recovered->summary.laps == 0) {
        return fail(QStringLiteral("The lap log %1 holds no lap.")
                        .arg(QDir::toNativeSeparators(journal_path)));
    }
    // Named after the minute of the last lap, the nearest the log knows to the
    // session's end. An existing session of that minute is never replaced.
    QDateTime ended = recovered->summary.last_lap;
    if (!ended.isValid()) {
        ended = QFileInfo(journal_path).lastModified();
    }
    const QString session_file = FreeSessionFilePath(
        [&program_folder](const QDateTime& at) { return SessionFilePath(program_folder, at); },
        ended);
    if (session_file.isEmpty()) {
        return fail(QStringLiteral("No free session file name after %1.")
                        .arg(QDir::toNativeSeparators(SessionFilePath(program_folder, ended))));
    }
    const QString day_folder = QFileInfo(session_file).path();
    if (!QDir().mkpath(day_folder)) {
        return fail(QStringLiteral("Cannot create the folder %1.")
                        .arg(QDir::toNativeSeparators(day_folder)));
    }
    const std::array<KartSlot, kSlotCount> karts = ReplayLapLog(log);
    std::array<const KartSlot*, kSlotCount> pointers{};
    for (size_t i = 0; i < karts.size(); ++i) {
        pointers[i] = &karts[i];
    }
    if (!WriteFileAtomically(session_file, SessionFileText(pointers).toUtf8(), error_message)) {
        return false;
    }
    const QString lap_log = LapLogPathFor(session_file);
    if (!QDir().mkpath(QFileInfo(lap_log).path()) ||
        std::rename(QFile::encodeName(journal_path).constData(),
                    QFile::encodeName(lap_log).constData()) != 0) {
        // Undone: the journal is offered again and must not make a second file.
        QFile::remove(session_file);
        return fail(
            QStringLiteral("Cannot move the lap log %1 to %2.")
                .arg(QDir::toNativeSeparators(journal_path), QDir::toNativeSeparators(lap_log)));
    }
    MoveCameraLog(journal_path, lap_log);
    recovered->session_file = session_file;
    recovered->lap_log = lap_log;
    return true;
}

namespace {

// "kart 2" or "karts 1, 2, 4".
QString SlotList(const QList<int>& karts) {
    QStringList texts;
    for (int slot : karts) {
        texts.append(QString::number(slot));
    }
    return (karts.size() == 1 ? QStringLiteral("kart ") : QStringLiteral("karts ")) +
           texts.join(QStringLiteral(", "));
}

QString SkippedText(const QStringList& skipped) {
    if (skipped.isEmpty()) {
        return QString();
    }
    constexpr int kShown = 5;
    QString text = QStringLiteral("\n\nLines of the lap log that could not be read:\n") +
                   skipped.mid(0, kShown).join(QLatin1Char('\n'));
    if (skipped.size() > kShown) {
        text += QStringLiteral("\n(and %1 more)").arg(skipped.size() - kShown);
    }
    return text;
}

}  // namespace

QString RecoveryQuestion(const JournalSummary& summary, const QString& set_aside_path) {
    QString text = QStringLiteral("A session was not ended: the program stopped while it ran.\n\n");
    if (summary.started.isValid()) {
        text += QStringLiteral("Started: %1\n")
                    .arg(summary.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    text += QStringLiteral("Laps in its lap log: %1 (%2)\n")
                .arg(summary.laps)
                .arg(SlotList(summary.karts_with_laps));
    if (summary.deleted_laps > 0) {
        text += QStringLiteral("Laps deleted by lap correction, left out: %1\n")
                    .arg(summary.deleted_laps);
    }
    if (summary.last_lap.isValid()) {
        text += QStringLiteral("Last lap: %1\n")
                    .arg(summary.last_lap.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    text += QStringLiteral(
                "\nRecover it? Its session file is written as \"END SESSION\" would have "
                "written it, with the ten fastest laps of each kart.\n\n"
                "No keeps the lap log aside as %1 and does not ask again.")
                .arg(QDir::toNativeSeparators(set_aside_path));
    return text + SkippedText(summary.skipped);
}

QString RecoveryReport(const RecoveredSession& recovered) {
    return QStringLiteral(
               "The session was recovered: %1 laps of %2.\n\nSession file: "
               "%3\nLap log: %4")
               .arg(recovered.summary.laps)
               .arg(SlotList(recovered.summary.karts_with_laps),
                    QDir::toNativeSeparators(recovered.session_file),
                    QDir::toNativeSeparators(recovered.lap_log)) +
           SkippedText(recovered.summary.skipped);
}

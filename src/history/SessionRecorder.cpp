#include "SessionRecorder.h"

#include <QDir>
#include <QFileInfo>

#include "IniFile.h"
#include "LapLogFormat.h"
#include "ProgramFolder.h"
#include "SessionFile.h"
#include "Station.h"

QString FreeSessionFilePath(const std::function<QString(const QDateTime&)>& path_of,
                            const QDateTime& ended_at) {
    for (int minute = 0; minute <= 60; ++minute) {
        const QString path = path_of(ended_at.addSecs(60 * minute));
        if (!QFileInfo::exists(path) && !QFileInfo::exists(LapLogPathFor(path))) {
            return path;
        }
    }
    return {};
}

bool WriteSessionFile(Station& station, QString* error_message, QString* written_path) {
    const QDateTime now = station.clock().LocalDateTime();
    const QString day_folder = DayFolderPath(station.program_folder(), now.date());
    if (!QFileInfo(day_folder).isDir() && !QDir().mkpath(day_folder)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot create the folder %1.")
                                 .arg(QDir::toNativeSeparators(day_folder));
        }
        return false;
    }
    const QString& program_folder = station.program_folder();
    const QString path = FreeSessionFilePath(
        [&program_folder](const QDateTime& at) { return SessionFilePath(program_folder, at); },
        now);
    if (path.isEmpty()) {
        if (error_message) {
            *error_message =
                QStringLiteral("No free session file name after %1.")
                    .arg(QDir::toNativeSeparators(SessionFilePath(program_folder, now)));
        }
        return false;
    }
    // The next free minute may be the first of the next day, in a folder of its own.
    const QString folder = QFileInfo(path).path();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot create the folder %1.")
                                 .arg(QDir::toNativeSeparators(folder));
        }
        return false;
    }
    if (!WriteFileAtomically(path, SessionFileBytes(station), error_message)) {
        return false;
    }
    if (written_path) {
        *written_path = path;
    }
    // The day of the file just written, not the date of a second look at the clock:
    // a session ending at midnight must find itself in the list.
    LoadSessionsOfDay(station, now.date());
    return true;
}

bool WriteSessionFileInFolder(const Station& station, const QString& folder, QString* written_path,
                              QString* error_message) {
    const QDateTime now = station.clock().LocalDateTime();
    const QString path = FreeSessionFilePath(
        [&folder](const QDateTime& at) {
            return WithTrailingSeparator(folder) +
                   QFileInfo(SessionFilePath(QString(), at)).fileName();
        },
        now);
    if (path.isEmpty()) {
        if (error_message) {
            *error_message = QStringLiteral("No free session file name in %1.")
                                 .arg(QDir::toNativeSeparators(folder));
        }
        return false;
    }
    if (!WriteFileAtomically(path, SessionFileText(station).toUtf8(), error_message)) {
        return false;
    }
    if (written_path) {
        *written_path = path;
    }
    return true;
}

QStringList UnsavedLaps(const Station& station) {
    QStringList karts;
    for (int n = 1; n <= kSlotCount; ++n) {
        const KartSlot& slot = station.slot(n);
        int laps = 0;
        for (int j = 1; j <= kLapEntries; ++j) {
            laps += slot.lap(j).lap_time != 0 ? 1 : 0;
        }
        if (laps == 0) {
            continue;
        }
        karts << QStringLiteral("Kart %1 (%2): %3 %4")
                     .arg(n)
                     .arg(slot.driver_name.str())
                     .arg(laps)
                     .arg(laps == 1 ? QStringLiteral("lap") : QStringLiteral("laps"));
    }
    return karts;
}

QString LoadSessionsOfDay(Station& station, const QDate& day) {
    return LoadSessionFolder(DayFolderPath(station.program_folder(), day), station.sessions,
                             SessionTitles::kToday)
        .error;
}

QString LoadTodaysSessions(Station& station) {
    return LoadSessionsOfDay(station, station.clock().LocalDateTime().date());
}

#include "SessionRecorder.h"

#include <QDir>
#include <QFileInfo>

#include "IniFile.h"
#include "SessionFile.h"
#include "Station.h"

bool WriteSessionFile(Station& station, QString* error_message) {
    const QDateTime now = station.clock().LocalDateTime();
    const QString day_folder = DayFolderPath(station.program_folder(), now.date());
    if (!QFileInfo(day_folder).isDir() && !QDir().mkpath(day_folder)) {
        if (error_message) {
            *error_message = QStringLiteral("Cannot create the folder %1.")
                                 .arg(QDir::toNativeSeparators(day_folder));
        }
        return false;
    }
    const QString path = SessionFilePath(station.program_folder(), now);
    if (!WriteFileAtomically(path, SessionFileBytes(station), error_message)) {
        return false;
    }
    // The day of the file just written, not the date of a second look at the clock:
    // a session ending at midnight must find itself in the list.
    LoadSessionsOfDay(station, now.date());
    return true;
}

QString LoadSessionsOfDay(Station& station, const QDate& day) {
    return LoadSessionFolder(DayFolderPath(station.program_folder(), day), station.sessions,
                             SessionTitles::kToday)
        .error;
}

QString LoadTodaysSessions(Station& station) {
    return LoadSessionsOfDay(station, station.clock().LocalDateTime().date());
}

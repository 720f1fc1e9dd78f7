#include "RecordsHistory.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <random>

#include "KartSlot.h"
#include "LapLogFormat.h"
#include "SessionFile.h"

namespace {

// 50 first names x 40 surnames, a few with Polish letters, give the 2,000 drivers.
QString RecordsDriverName(int n) {
    static const QStringList kFirst =
        QStringLiteral(
            "Adam Anna Bartek Beata Cezary Celina Damian Dorota Edward Ewa Filip Felicja Grzegorz "
            "Grażyna Henryk Halina Igor Iwona Jacek Joanna Kamil Katarzyna Łukasz Lena Marek Maria "
            "Norbert Natalia Olaf Ola Piotr Paulina Radosław Renata Szymon Sylwia Tomasz Teresa "
            "Urszula Wojciech Wiktoria Zbigniew Zofia Żaneta Jan Julia Michał Magda Paweł Patrycja")
            .split(QLatin1Char(' '));
    static const QStringList kLast =
        QStringLiteral(
            "Nowak Kowalski Wiśniewski Wójcik Kowalczyk Kamiński Lewandowski Zieliński Szymański "
            "Woźniak Dąbrowski Kozłowski Jankowski Mazur Kwiatkowski Krawczyk Piotrowski Grabowski "
            "Nowakowski Pawłowski Michalski Nowicki Adamczyk Dudek Zając Wieczorek Jabłoński Król "
            "Majewski Olszewski Jaworski Wróbel Malinowski Pawlak Witkowski Walczak Stępień Górski "
            "Rutkowski Michalak")
            .split(QLatin1Char(' '));
    return kFirst.at(n % kFirst.size()) + QLatin1Char(' ') +
           kLast.at((n / kFirst.size()) % kLast.size());
}

bool WriteRecordsFile(const QString& path, const QByteArray& bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

// One session: 2 to 4 karts of 6 to 10 laps; returns the laps an index takes.
qint64 WriteRecordsSession(const QString& folder, const QDateTime& ended, bool with_log,
                           int drivers, std::mt19937& random, qint64* bytes, QString* error) {
    std::array<KartSlot, kSlotCount> kart_table{};
    std::array<const KartSlot*, kSlotCount> pointers{};
    QByteArray log = LapLogHeader();
    const int karts = 2 + int(random() % 3);
    qint64 indexed = 0;
    for (int s = 0; s < kSlotCount; ++s) {
        pointers[size_t(s)] = &kart_table[size_t(s)];
        if (s >= karts) {
            continue;
        }
        const int driver = int(random() % unsigned(drivers));
        kart_table[size_t(s)].driver_name = RecordsDriverName(driver);
        // Each driver has a pace of their own; laps scatter two seconds around it.
        const qint32 pace = 5500 + (driver * 37) % 1500;
        const int laps = 6 + int(random() % 5);
        std::vector<std::pair<qint32, int>> times;
        for (int lap = 1; lap <= laps; ++lap) {
            LapRecord record;
            record.slot = s + 1;
            record.driver_name = kart_table[size_t(s)].driver_name.str();
            record.lap_number = lap;
            record.lap_time = pace + qint32(random() % 200);
            record.session_time = 7000LL * lap;
            record.ended_at = ended.addSecs(-70LL * (laps - lap));
            log += LapLogLine(record);
            times.push_back({record.lap_time, lap});
        }
        std::sort(times.begin(), times.end());
        for (size_t j = 0; j < times.size() && j < size_t(kLapEntries); ++j) {
            kart_table[size_t(s)].lap(int(j) + 1).lap_time = times[j].first;
            kart_table[size_t(s)].lap(int(j) + 1).lap_number = times[j].second;
        }
        kart_table[size_t(s)].best_lap_time = times.front().first;
        indexed += with_log ? laps : std::min(laps, kLapEntries);
    }
    const QString path = folder + QLatin1Char('/') +
                         ended.toString(QStringLiteral("yyyy_MM_dd_HH_mm")) +
                         QStringLiteral(".txt");
    const QByteArray text = SessionFileText(pointers).toUtf8();
    if (!WriteRecordsFile(path, text, error)) {
        return -1;
    }
    *bytes += text.size();
    if (with_log) {
        const QString log_path = LapLogPathFor(path);
        QDir().mkpath(QFileInfo(log_path).absolutePath());
        if (!WriteRecordsFile(log_path, log, error)) {
            return -1;
        }
        *bytes += log.size();
    }
    return indexed;
}

}  // namespace

RecordsHistoryWritten WriteRecordsHistory(const QString& program_folder,
                                          const RecordsHistoryShape& shape) {
    RecordsHistoryWritten written;
    std::mt19937 random(20261208);
    const QDate first = shape.last_day.addDays(-shape.days + 1);
    for (int d = 0; d < shape.days; ++d) {
        const QDate day = first.addDays(d);
        const int from = int(qint64(shape.sessions) * d / shape.days);
        const int to = int(qint64(shape.sessions) * (d + 1) / shape.days);
        const QString folder = DayFolderPath(program_folder, day);
        if (!QDir().mkpath(folder)) {
            written.error = folder + QStringLiteral(": cannot be created");
            return written;
        }
        const bool with_log = d >= shape.days - shape.log_days;
        for (int s = 0; s < to - from; ++s) {
            // From 09:00, one session every five minutes (a busy day of 100 ends at 17:15).
            const QDateTime ended(day, QTime(9, 0).addSecs(300 * s));
            const qint64 laps = WriteRecordsSession(folder, ended, with_log, shape.drivers, random,
                                                    &written.bytes, &written.error);
            if (laps < 0) {
                return written;
            }
            written.laps += laps;
            written.sessions += 1;
        }
    }
    return written;
}

QString WriteOneRecordsSession(const QString& program_folder, const QDateTime& ended, int seed) {
    std::mt19937 random{static_cast<unsigned>(seed)};
    const QString folder = DayFolderPath(program_folder, ended.date());
    QDir().mkpath(folder);
    qint64 bytes = 0;
    QString error;
    if (WriteRecordsSession(folder, ended, true, 2000, random, &bytes, &error) < 0) {
        return QString();
    }
    return SessionFilePath(program_folder, ended);
}

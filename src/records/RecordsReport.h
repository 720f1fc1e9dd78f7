#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "RecordsIndex.h"

// The texts of the records tables, shared by the window, its printout and PDF.
QStringList RecordsColumnTitles();
// Rank, driver, best lap as the station writes it (01:02:33), date, kart slot.
QStringList RecordCells(const RecordRow& row);

// Each month's best with a mark where it beat every month before it.
struct MonthLine {
    QString month;  // "2026-05"
    QString best_lap;
    bool personal_best = false;
};
std::vector<MonthLine> MonthLines(const DriverHistory& history);

// A printable page: the track, the title and the table; a driver's summary when given.
QString RecordsHtml(const QString& track, const QString& title, const std::vector<RecordRow>& rows);
QString DriverHtml(const QString& track, const DriverHistory& history);

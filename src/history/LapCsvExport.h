#pragma once

#include <QString>

#include "SessionRecord.h"

class QWidget;

// The history browser's CSV export. Each asks where to save (a file dialog), writes
// the file and tells the operator what it holds or what failed.
// One session, with its lap log when it has one:
void ExportSessionCsv(const SessionRecord& record, QWidget* parent);
// Every session file of a day folder, however many there are:
void ExportDayCsv(const QString& day_folder, QWidget* parent);

// "2012_05_31_14_05.txt" -> "2012_05_31_14_05-laps.csv"; sessions without a lap log
// say so in the name: "...-ten-fastest.csv".
QString SuggestedCsvName(const QString& base, bool ten_fastest_only);

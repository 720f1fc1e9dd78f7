#pragma once

#include <QString>

#include "SessionRecord.h"

class QWidget;

// The history browser's CSV export: sessions first..first+count-1 of the table,
// each with its lap log when it has one. Asks where to save (a file dialog), writes
// the file and tells the operator what it holds or what failed.
void ExportSessionsCsv(const SessionTable& sessions, int first, int count,
                       const QString& suggested_name, QWidget* parent);

// "2012_05_31_14_05.txt" -> "2012_05_31_14_05-laps.csv"; sessions without a lap log
// say so in the name: "...-ten-fastest.csv".
QString SuggestedCsvName(const QString& base, bool ten_fastest_only);

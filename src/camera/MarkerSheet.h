#pragma once

#include <QString>
#include <vector>

// A printable sheet of markers (A4 PDF): each at its printed size, on a white
// quiet zone, with its label beneath ("Kart 2 - marker 7"), as many per page as fit.
struct SheetMarker {
    int id = 0;
    QString label;
};
bool WriteMarkerSheet(const QString& pdf_path, const std::vector<SheetMarker>& markers,
                      int marker_mm, QString* error_message);

#pragma once

#include <QString>

// The timesheet settings, kept in ustawienia.ini in section [Timesheets]:
//   Track=Tor Kartingowy Łódź       the track's name, printed on every sheet
//   AtSessionEnd=off|print|pdf      every driver's sheet at "END SESSION": not at
//                                   all (the default), on the default printer, or
//                                   as PDF files in PdfFolder
//   PdfFolder=/home/tor/Timesheets  where those PDFs go (default: Documents)
// Older files lack the section: no track name, nothing printed at the session end.
struct TimesheetSettings {
    enum class AtSessionEnd { kOff, kPrint, kPdf };

    QString track;
    AtSessionEnd at_session_end = AtSessionEnd::kOff;
    QString pdf_folder;  // empty: the default
};

// A missing file, section or key, or a value not listed above, reads as the default.
TimesheetSettings LoadTimesheetSettings(const QString& ini_path);

// Where sheets saved at the session end go: PdfFolder, else Documents (or home).
QString SessionEndPdfFolder(const TimesheetSettings& settings);

// Where the file dialog for timesheet PDFs starts: Documents, or home without one.
QString TimesheetFolder();

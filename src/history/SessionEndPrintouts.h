#pragma once

#include <QString>
#include <QStringList>

#include "TimesheetSettings.h"

class QWidget;

// What printing every driver's sheet of one session came to.
struct PrintoutOutcome {
    int sheets = 0;     // sheets printed or saved
    QStringList files;  // the PDFs written
    QString failure;    // empty when every sheet went out
};

// Every driver's sheet of the session whose file was just written, one print job or
// one PDF per driver, as settings.at_session_end says (nothing when off).
PrintoutOutcome PrintSessionSheets(const TimesheetSettings& settings, const QString& session_file);

// "END SESSION" hands the session file here once it is written. When [Timesheets]
// AtSessionEnd of settings_path asks for it, the sheets go out once "END SESSION" has
// returned, so the session's end never waits for a printer. A failure is told once,
// in a box that is not modal and does not take the keyboard from the operator.
void QueueSessionEndPrintouts(const QString& settings_path, const QString& session_file,
                              QWidget* message_parent);

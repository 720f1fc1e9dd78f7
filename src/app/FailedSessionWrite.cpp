#include "FailedSessionWrite.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "SessionRecorder.h"
#include "Station.h"

namespace {

const QString kTitle = QStringLiteral("RUVOTimer");

enum class Choice { KeepSession, OtherFolder, EndWithoutSaving };

QPushButton* AddButton(QMessageBox& box, const QString& text, QMessageBox::ButtonRole role,
                       const QString& object_name) {
    QPushButton* button = box.addButton(text, role);
    button->setObjectName(object_name);
    return button;
}

// A loss asked once more, Cancel first: nothing is lost by a key pressed in haste.
bool ConfirmLoss(const QString& question, const QString& details, const QString& button_text,
                 const QString& button_name, QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, kTitle, question, QMessageBox::NoButton, parent);
    box.setInformativeText(details);
    QPushButton* lose = AddButton(box, button_text, QMessageBox::DestructiveRole, button_name);
    QPushButton* back = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(back);
    box.setEscapeButton(back);
    box.exec();
    return box.clickedButton() == lose;
}

Choice AskWhatToDo(const QString& error, QWidget* parent) {
    QMessageBox box(QMessageBox::Critical, kTitle,
                    QStringLiteral("The session was not saved.\n\n%1\n\nEnd the session again "
                                   "to retry, or save it to another folder.")
                        .arg(error),
                    QMessageBox::NoButton, parent);
    QPushButton* other = AddButton(box, QStringLiteral("Save to another folder..."),
                                   QMessageBox::AcceptRole, QStringLiteral("OtherFolder"));
    QPushButton* give_up =
        AddButton(box, QStringLiteral("End without saving"), QMessageBox::DestructiveRole,
                  QStringLiteral("EndWithoutSaving"));
    QPushButton* keep = AddButton(box, QStringLiteral("Back to the session"),
                                  QMessageBox::RejectRole, QStringLiteral("KeepSession"));
    // Enter and Escape keep the session: nothing is lost by a key pressed in haste.
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    if (box.clickedButton() == other) {
        return Choice::OtherFolder;
    }
    if (box.clickedButton() == give_up) {
        return Choice::EndWithoutSaving;
    }
    return Choice::KeepSession;
}

// Qt's own dialog, not the desktop's: it stays a child of the always-on-top session
// screen, where a desktop dialog could open behind it.
QString PickFolder(QWidget* parent, const QString& title = QStringLiteral("Save the session to")) {
    QFileDialog dialog(parent, title, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

bool ConfirmEndWithoutSaving(const Station& station, QWidget* parent) {
    return ConfirmLoss(QStringLiteral("End the session without saving it?"),
                       QStringLiteral("These laps will be lost:\n%1")
                           .arg(UnsavedLaps(station).join(QLatin1Char('\n'))),
                       QStringLiteral("End without saving"), QStringLiteral("EndWithoutSaving"),
                       parent);
}

// True to save the lap log elsewhere, false once losing it is confirmed.
bool AskToSaveLapLog(const QString& error, QWidget* parent) {
    for (;;) {
        QMessageBox box(QMessageBox::Warning, kTitle,
                        QStringLiteral("The session is saved, but its lap log is not beside "
                                       "it.\n\n%1\n\nEvery lap of it is held only in memory: "
                                       "save the lap log to another folder, or they are lost "
                                       "when the program ends.")
                            .arg(error),
                        QMessageBox::NoButton, parent);
        box.setObjectName(QStringLiteral("LapLogNotSaved"));
        QPushButton* other = AddButton(box, QStringLiteral("Save lap log to another folder..."),
                                       QMessageBox::AcceptRole, QStringLiteral("OtherFolder"));
        QPushButton* lose = AddButton(box, QStringLiteral("Lose the lap log"),
                                      QMessageBox::DestructiveRole, QStringLiteral("LoseLapLog"));
        // Enter and Escape keep the laps: nothing is lost by a key pressed in haste.
        box.setDefaultButton(other);
        box.setEscapeButton(other);
        box.exec();
        if (box.clickedButton() != lose) {
            return true;
        }
        if (ConfirmLoss(QStringLiteral("Lose every lap of the lap log? The session file keeps "
                                       "only each kart's ten fastest laps."),
                        QString(), QStringLiteral("Lose the lap log"), QStringLiteral("LoseLapLog"),
                        parent)) {
            return false;
        }
    }
}

}  // namespace

bool AskAfterFailedSessionWrite(Station& station, QString error, QWidget* parent,
                                const LapLogWriter& write_lap_log) {
    for (;;) {
        switch (AskWhatToDo(error, parent)) {
            case Choice::KeepSession:
                return false;
            case Choice::EndWithoutSaving:
                if (ConfirmEndWithoutSaving(station, parent)) {
                    return true;
                }
                break;
            case Choice::OtherFolder: {
                const QString folder = PickFolder(parent);
                if (folder.isEmpty()) {
                    break;
                }
                QString written;
                if (!WriteSessionFileInFolder(station, folder, &written, &error)) {
                    break;  // asked again, with the new folder's error
                }
                if (!write_lap_log || write_lap_log(written, &error)) {
                    return true;
                }
                // Half a session in that folder would look saved: all or nothing.
                QFile::remove(written);
                break;
            }
        }
    }
}

bool AskAfterFailedLapLogWrite(const QString& session_file, QString error, QWidget* parent,
                               const LapLogWriter& write_lap_log) {
    while (AskToSaveLapLog(error, parent)) {
        const QString folder = PickFolder(parent, QStringLiteral("Save the lap log to"));
        if (folder.isEmpty()) {
            continue;
        }
        const QString copy = QDir(folder).filePath(QFileInfo(session_file).fileName());
        if (QFileInfo(copy) != QFileInfo(session_file) && !QFileInfo::exists(copy) &&
            !QFile::copy(session_file, copy)) {
            error = QStringLiteral("%1 cannot be written.").arg(QDir::toNativeSeparators(copy));
            continue;
        }
        if (write_lap_log(copy, &error)) {
            return true;
        }
    }
    return false;
}

#pragma once

#include <QDialog>
#include <array>

#include "FormatSettings.h"

class ColourSwatch;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Session format": how long a session runs, how karts are ranked, where the clock
// starts, the lap time window for radio laps and the three automatic dashboard
// messages. Kept in ustawienia.ini, section FormatSesji; a session takes them at
// "Session start".
class SessionFormatDialog : public QDialog {
    Q_OBJECT

  public:
    explicit SessionFormatDialog(const FormatSettings& settings, QWidget* parent = nullptr);

    FormatSettings settings() const;

  private:
    struct MessageRow {
        QCheckBox* on = nullptr;
        QLineEdit* line1 = nullptr;
        QLineEdit* line2 = nullptr;
        ColourSwatch* background = nullptr;
        ColourSwatch* font_colour = nullptr;
    };
    MessageRow AddMessageRow(const QString& name, const AutoMessage& message);
    void ShowLengthUnit();

    QComboBox* length_ = nullptr;
    QSpinBox* amount_ = nullptr;
    QComboBox* scoring_ = nullptr;
    QComboBox* start_ = nullptr;
    QCheckBox* window_on_ = nullptr;
    QDoubleSpinBox* window_min_ = nullptr;
    QDoubleSpinBox* window_max_ = nullptr;
    std::array<MessageRow, 3> messages_{};
    // The amount kept for the length not shown, so switching back keeps it.
    int minutes_ = 10;
    int laps_ = 10;
};

// Opens the dialog on the settings in the file and, on "OK", writes them back; a
// failed write is told in a box. True when they were written.
bool ShowSessionFormat(const QString& settings_path, QWidget* parent);

// The launcher's "Session format" button, in the free room right of the call-out
// switches.
QPushButton* AddSessionFormatButton(QWidget* launcher, const QString& settings_path);

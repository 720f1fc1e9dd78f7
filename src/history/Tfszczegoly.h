#pragma once

#include <QDialog>

#include "SessionRecord.h"

class QLabel;
class QPushButton;
class Station;

// The lap details view: one entry of one kart's lap table in large white figures.
class Tfszczegoly : public QDialog {
    Q_OBJECT

  public:
    explicit Tfszczegoly(QWidget* parent = nullptr);

    // Shows entry `entry` (1..10) of the kart; the caption becomes the driver's name.
    void ShowEntry(const KartSlot& kart, int entry);

  public slots:
    void Button1Click();  // "Close"

  private:
    QLabel* label79_ = nullptr;  // lap number
    QLabel* label31_ = nullptr;  // lap time
    QLabel* label32_ = nullptr;  // gap to the fastest lap
    QLabel* label3_ = nullptr;   // highest RPM
    QLabel* label4_ = nullptr;   // lowest RPM
    QPushButton* button1_ = nullptr;
};

// Modal details of entry `row` of slot `slot` of the live kart slot table, read once
// when the view opens. Slots and rows outside their ranges open nothing.
void ShowLapDetails(const Station& station, int slot, int row, QWidget* parent = nullptr);

// The same for a stored session; the view works on its own copy of the record.
void ShowStoredLapDetails(SessionRecord record, int slot, int row, QWidget* parent = nullptr);

#pragma once

#include <QDialog>
#include <functional>

#include "Station.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class IntEdit;
class LimitedLineEdit;

// The "Settings" dialog of one kart slot: the driver's name, the radio flag and the
// unit's serial number ("OK" takes them), and the buttons that queue a typed or a
// stored message for the kart's dashboard, at once or after the lap. Under the
// buttons a radio kart's unit shows how well it is heard.
class Tfsettings : public QDialog {
    Q_OBJECT

  public:
    Tfsettings(Station& station, int slot, QWidget* parent = nullptr);

    bool result_flag() const { return result_; }

    // Picks a stored message; tests put their own here.
    std::function<bool(QString& line1, QString& line2, Colour& background, Colour& font)>
        pick_message;

  public slots:
    void SpeedButton1Click();  // "Send message"
    void SpeedButton2Click();  // "Select message from list"
    void SpeedButton3Click();  // "OK"
    void SpeedButton4Click();  // "Cancel"
    void SpeedButton5Click();  // "Mesage from list. Show after lap"
    void SpeedButton6Click();  // "Message after lap"
    void ShowLinkQuality();    // the unit's link, for a radio kart

  private:
    void QueueTyped(qint32 immediate);
    void QueueFromList(qint32 immediate);
    void Queue(const QString& line1, const QString& line2, Colour background, Colour font,
               qint32 immediate);

    Station& station_;
    int slot_;
    bool result_ = false;
    QLineEdit* edit2_ = nullptr;
    QCheckBox* check_box1_ = nullptr;
    QCheckBox* check_box_camera_ = nullptr;
    IntEdit* int_edit1_ = nullptr;
    LimitedLineEdit* edit1_ = nullptr;
    LimitedLineEdit* edit3_ = nullptr;
    QLabel* label_link_quality_ = nullptr;
};

// Runs the dialog for kart slot 1..5; true when closed with "OK" (the slot's radio,
// driver name and serial number were then replaced).
bool ShowKartSettings(Station& station, int slot, QWidget* parent = nullptr);

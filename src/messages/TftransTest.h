#pragma once

#include <QWidget>
#include <memory>

#include "Colour.h"
#include "Station.h"

class QLabel;
class QTimer;
class IntEdit;

// The "Transmission test" window: shows "Transmission OK" while fresh frames of the
// chosen unit keep arriving (two different packet counters, the later one less
// than a second ago) and the network value the receiver reports. Closing it ends
// the launcher's test loop. Below "CLOSE" it shows the USB-Key's status and the
// chosen unit's link quality.
class TftransTest : public QWidget, public TransmissionView {
    Q_OBJECT

  public:
    explicit TftransTest(Station& station, QWidget* parent = nullptr);
    ~TftransTest() override;

    void UpdateTransmission(qint32 serial_number, qint32 packet_counter,
                            qint32 network_value) override;

    qint32 last_counter() const { return last_counter_; }
    QTimer* timer1() const { return timer1_; }
    QTimer* timer2() const { return timer2_; }

    static constexpr Colour kGoodColour = 0x008000;  // dark green
    static constexpr Colour kBadColour = 0x0000C0;   // dark red

  public slots:
    void Timer1Timer();
    void Button1Click();  // "CLOSE"
    void IntEdit1Change();
    // The USB-Key's status and the chosen unit's link quality, from the station.
    void ShowLinkInfo();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void ShowStatus(bool ok);

    Station& station_;
    qint32 last_counter_ = 0;  // 0: no frame of the chosen unit seen yet
    IntEdit* int_edit1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QTimer* timer1_ = nullptr;
    QLabel* label_receiver_status_ = nullptr;
    QLabel* label_link_quality_ = nullptr;
    QTimer* timer2_ = nullptr;
};

// Creates the test window, registers it with the station and shows it, not modal.
// The caller owns it and deletes it after the test loop has ended.
std::unique_ptr<TftransTest> ShowTransmissionTest(Station& station);

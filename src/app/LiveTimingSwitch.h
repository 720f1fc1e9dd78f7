#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "LiveTimingSettings.h"

class QCheckBox;
class QDialog;
class QLabel;
class QWidget;
class LiveTimingServer;
class Station;

// The launcher's live timing line in the free room between "Messages" and "Exit
// program": a check box that switches the web server on and off, and the address
// to open, which shows its QR code when clicked. The setting lives in
// ustawienia.ini, section LiveTiming.
class LiveTimingSwitch : public QObject {
    Q_OBJECT

  public:
    // Creates the controls on the launcher and starts the server when the settings
    // say so. A failure to start is told once in a message box and stays on the line.
    LiveTimingSwitch(QWidget* launcher, const Station& station, QString ini_path);
    ~LiveTimingSwitch() override;

    bool IsServing() const;
    quint16 port() const;
    // The address a phone opens, "http://192.168.1.20:8080/"; empty when off.
    QString Address() const;
    QString LineText() const;
    void ShowQrCode();

  private:
    void SetEnabled(bool enabled);
    void Start();
    void UpdateLine();

    QWidget* launcher_;
    const Station& station_;
    QString ini_path_;
    LiveTimingSettings settings_;
    std::unique_ptr<LiveTimingServer> server_;
    QCheckBox* check_box_ = nullptr;
    QLabel* address_label_ = nullptr;
    std::unique_ptr<QDialog> qr_window_;
    QString failure_;        // the message box text of a failed start
    QString short_failure_;  // the line's text of it
};

// The first IPv4 address of this machine that is not a loopback one, else 127.0.0.1.
QString LocalNetworkAddress();

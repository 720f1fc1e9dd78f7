#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "LiveTimingSettings.h"
#include "RecordsIndex.h"

class QCheckBox;
class QDialog;
class QLabel;
class QListWidget;
class QWidget;
class LiveTimingServer;
class Station;

// The launcher's live timing line in the free room between "Messages" and "Exit
// program": a check box that switches the web server on and off, and the address
// to open, which shows its QR code when clicked, with the PC's other addresses to
// pick from. The setting lives in ustawienia.ini, section LiveTiming.
class LiveTimingSwitch : public QObject {
    Q_OBJECT

  public:
    // Creates the controls on the launcher and starts the server when the settings
    // say so. A failure to start is told once in a message box and stays on the line.
    // dialog_parent gives the window its boxes and the QR code belong to: the session
    // screen while it is up, so they are never hidden behind it.
    LiveTimingSwitch(QWidget* launcher, const Station& station, QString ini_path,
                     std::function<QWidget*()> dialog_parent = {});
    ~LiveTimingSwitch() override;

    bool IsServing() const;
    quint16 port() const;
    // The address a phone opens, "http://192.168.1.20:8080/"; empty when off.
    QString Address() const;
    // Every address a phone may open, Address() first; empty when off.
    QStringList Addresses() const;
    QString LineText() const;
    // The QR code of Address(), with the other addresses to pick from below it.
    void ShowQrCode();
    void ShowQrCode(const QStringList& addresses);
    // The records the board shows, kept for a server started later.
    void SetRecords(const RecordsBoard& board);

  private:
    void SetEnabled(bool enabled);
    void Start();
    void UpdateLine();
    void ShowQrOf(const QString& address);
    QWidget* DialogParent() const;

    QWidget* launcher_;
    std::function<QWidget*()> dialog_parent_;
    const Station& station_;
    QString ini_path_;
    LiveTimingSettings settings_;
    RecordsBoard records_;
    std::unique_ptr<LiveTimingServer> server_;
    QCheckBox* check_box_ = nullptr;
    QLabel* address_label_ = nullptr;
    std::unique_ptr<QDialog> qr_window_;
    QListWidget* address_list_ = nullptr;
    QString failure_;        // the message box text of a failed start
    QString short_failure_;  // the line's text of it
};

// An address of this machine and the interface it belongs to.
struct InterfaceAddress {
    QString interface_name;
    QHostAddress address;
};

// The addresses a phone could open, the best first: the one the default route
// leaves from (route_address; a VPN or a container bridge seldom has it), then the
// other IPv4 addresses, then global IPv6 ones. Loopback and link-local addresses
// are left out; without any address left, 127.0.0.1.
QList<QHostAddress> ReachableAddresses(const QHostAddress& route_address,
                                       const QList<InterfaceAddress>& all);
// This machine's: the addresses of the interfaces that are up and the one the
// kernel picks for the default route.
QList<QHostAddress> ReachableAddresses();
// "http://192.168.1.20:8080/", "http://[2001:db8::5]:8080/".
QString PageAddress(const QHostAddress& address, quint16 port);

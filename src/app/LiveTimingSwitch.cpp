#include "LiveTimingSwitch.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QSignalBlocker>
#include <QUdpSocket>
#include <QVBoxLayout>
#include <algorithm>

#include "LiveTimingServer.h"
#include "QrCode.h"

namespace {

// In the right part of the gap between "Messages" (ends at 361) and "Exit program"
// (starts at 424); the left part stays free for another control.
// One line under "Timesheet of last session" (72, 368, 241 x 28) and above "Exit
// program" (top 424): the check box at the buttons' left edge, the address beside it.
constexpr int kTop = 398;
constexpr int kCheckBoxLeft = 72;
constexpr int kCheckBoxWidth = 120;
constexpr int kAddressLeft = 194;
constexpr int kAddressWidth = 183;

// The label opens the QR code on a click.
class AddressLabel : public QLabel {
  public:
    using QLabel::QLabel;
    std::function<void()> on_click;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (on_click) {
            on_click();
        }
    }
};

}  // namespace

QList<QHostAddress> ReachableAddresses(const QHostAddress& route_address,
                                       const QList<InterfaceAddress>& all) {
    const auto usable = [](const QHostAddress& address) {
        return !address.isNull() && !address.isLoopback() && !address.isLinkLocal() &&
               (address.protocol() == QAbstractSocket::IPv4Protocol ||
                address.protocol() == QAbstractSocket::IPv6Protocol);
    };
    QList<QHostAddress> result;
    if (usable(route_address)) {
        result << route_address;
    }
    for (const QAbstractSocket::NetworkLayerProtocol protocol :
         {QAbstractSocket::IPv4Protocol, QAbstractSocket::IPv6Protocol}) {
        for (const InterfaceAddress& entry : all) {
            if (entry.address.protocol() == protocol && usable(entry.address) &&
                !result.contains(entry.address)) {
                result << entry.address;
            }
        }
    }
    if (result.isEmpty()) {
        result << QHostAddress(QHostAddress::LocalHost);
    }
    return result;
}

QList<QHostAddress> ReachableAddresses() {
    QList<InterfaceAddress> all;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            all.append({interface.name(), entry.ip()});
        }
    }
    // A UDP socket sends nothing when connected: the kernel only picks the address
    // the route to that (documentation) address leaves from, the default route's.
    QUdpSocket probe;
    probe.connectToHost(QHostAddress(QStringLiteral("192.0.2.1")), 9);
    const QHostAddress route = probe.waitForConnected(100) ? probe.localAddress() : QHostAddress();
    return ReachableAddresses(route, all);
}

QString PageAddress(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(port);
}

LiveTimingSwitch::LiveTimingSwitch(QWidget* launcher, const Station& station, QString ini_path,
                                   std::function<QWidget*()> dialog_parent)
    : launcher_(launcher),
      dialog_parent_(std::move(dialog_parent)),
      station_(station),
      ini_path_(std::move(ini_path)) {
    settings_ = LoadLiveTimingSettings(ini_path_);

    check_box_ = new QCheckBox(QStringLiteral("Live timing"), launcher);
    check_box_->setObjectName(QStringLiteral("CheckBoxLiveTiming"));
    check_box_->setGeometry(kCheckBoxLeft, kTop, kCheckBoxWidth, 24);
    check_box_->setChecked(settings_.enabled);

    auto* label = new AddressLabel(launcher);
    label->setObjectName(QStringLiteral("LabelLiveTimingAddress"));
    label->setGeometry(kAddressLeft, kTop, kAddressWidth, 25);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(
        QStringLiteral("Click for a QR code of the address and the PC's other addresses"));
    QFont small = label->font();
    small.setPixelSize(11);
    label->setFont(small);
    label->on_click = [this] { ShowQrCode(); };
    address_label_ = label;

    connect(check_box_, &QCheckBox::toggled, this, &LiveTimingSwitch::SetEnabled);
    if (settings_.enabled) {
        Start();
    }
    UpdateLine();
}

LiveTimingSwitch::~LiveTimingSwitch() = default;

QWidget* LiveTimingSwitch::DialogParent() const {
    QWidget* parent = dialog_parent_ ? dialog_parent_() : nullptr;
    return parent ? parent : launcher_;
}

bool LiveTimingSwitch::IsServing() const {
    return server_ && server_->IsListening();
}

quint16 LiveTimingSwitch::port() const {
    return IsServing() ? server_->port() : 0;
}

QString LiveTimingSwitch::Address() const {
    const QStringList addresses = Addresses();
    return addresses.isEmpty() ? QString() : addresses.first();
}

QStringList LiveTimingSwitch::Addresses() const {
    if (!IsServing()) {
        return {};
    }
    QHostAddress bound;
    QList<QHostAddress> hosts;
    if (bound.setAddress(settings_.address) && bound != QHostAddress::Any &&
        bound != QHostAddress::AnyIPv4 && bound != QHostAddress::AnyIPv6) {
        hosts << bound;
    } else {
        hosts = ReachableAddresses();
    }
    QStringList addresses;
    for (const QHostAddress& host : hosts) {
        // Bound to one protocol's any-address, the other's addresses do not answer.
        if ((bound == QHostAddress::AnyIPv4 && host.protocol() != QAbstractSocket::IPv4Protocol) ||
            (bound == QHostAddress::AnyIPv6 && host.protocol() != QAbstractSocket::IPv6Protocol)) {
            continue;
        }
        addresses << PageAddress(host, server_->port());
    }
    return addresses;
}

QString LiveTimingSwitch::LineText() const {
    return address_label_->text();
}

void LiveTimingSwitch::SetEnabled(bool enabled) {
    settings_.enabled = enabled;
    QString error;
    if (!SaveLiveTimingSettings(ini_path_, settings_, &error)) {
        QMessageBox::warning(
            DialogParent(), QStringLiteral("RUVOTimer"),
            QStringLiteral("The live timing setting was not saved.\n\n%1").arg(error));
    }
    if (enabled) {
        Start();
    } else {
        server_.reset();
        failure_.clear();
        if (qr_window_) {
            qr_window_->hide();
        }
    }
    UpdateLine();
}

void LiveTimingSwitch::Start() {
    failure_.clear();
    QHostAddress address(QHostAddress::Any);
    if (!settings_.address.isEmpty() && !address.setAddress(settings_.address)) {
        failure_ = QStringLiteral("The live timing address %1 in ustawienia.ini is no IP address.")
                       .arg(settings_.address);
        short_failure_ = QStringLiteral("Not running: Address in ustawienia.ini is no IP address");
    } else {
        server_ = std::make_unique<LiveTimingServer>(station_);
        server_->SetRecords(records_);
        if (!server_->Listen(address, settings_.port, &failure_, settings_.host_names)) {
            short_failure_ =
                server_->listen_error() == QAbstractSocket::AddressInUseError
                    ? QStringLiteral("Not running: port %1 is in use").arg(settings_.port)
                    : QStringLiteral("Not running: address or port not usable");
            server_.reset();
        }
    }
    if (!failure_.isEmpty()) {
        // Told once; the line keeps saying it, and the station carries on.
        QMessageBox::warning(DialogParent(), QStringLiteral("RUVOTimer"),
                             failure_ + QStringLiteral("\n\nThe station works on without it."));
    }
}

void LiveTimingSwitch::UpdateLine() {
    QPalette palette = address_label_->palette();
    // Blue and underlined like a link while serving: a click shows the QR code.
    palette.setColor(QPalette::WindowText, failure_.isEmpty() ? Qt::darkBlue : Qt::darkRed);
    address_label_->setPalette(palette);
    QFont font = address_label_->font();
    font.setUnderline(failure_.isEmpty());
    address_label_->setFont(font);
    if (!failure_.isEmpty()) {
        address_label_->setText(short_failure_);
        return;
    }
    const QString address = Address();
    address_label_->setText(address.isEmpty() ? QString() : address);
}

void LiveTimingSwitch::ShowQrCode() {
    ShowQrCode(Addresses());
}

void LiveTimingSwitch::ShowQrCode(const QStringList& addresses) {
    if (addresses.isEmpty()) {
        return;
    }
    if (!qr_window_) {
        qr_window_ = std::make_unique<QDialog>(DialogParent());
        qr_window_->setObjectName(QStringLiteral("LiveTimingQrCode"));
        qr_window_->setWindowTitle(QStringLiteral("Live timing"));
        auto* layout = new QVBoxLayout(qr_window_.get());
        auto* picture = new QLabel(qr_window_.get());
        picture->setObjectName(QStringLiteral("ImageQrCode"));
        picture->setAlignment(Qt::AlignCenter);
        auto* text = new QLabel(qr_window_.get());
        text->setObjectName(QStringLiteral("LabelQrAddress"));
        text->setAlignment(Qt::AlignCenter);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* others = new QLabel(QStringLiteral("Addresses of this PC:"), qr_window_.get());
        others->setObjectName(QStringLiteral("LabelOtherAddresses"));
        address_list_ = new QListWidget(qr_window_.get());
        address_list_->setObjectName(QStringLiteral("ListLiveTimingAddresses"));
        connect(address_list_, &QListWidget::currentTextChanged, this, &LiveTimingSwitch::ShowQrOf);
        layout->addWidget(picture);
        layout->addWidget(text);
        layout->addWidget(others);
        layout->addWidget(address_list_);
    }
    {
        // Filling the list picks its first row: shown below, once.
        const QSignalBlocker quiet(address_list_);
        address_list_->clear();
        address_list_->addItems(addresses);
        address_list_->setCurrentRow(0);
    }
    // A list of one would only repeat the address above it.
    address_list_->setVisible(addresses.size() > 1);
    qr_window_->findChild<QLabel*>(QStringLiteral("LabelOtherAddresses"))
        ->setVisible(addresses.size() > 1);
    address_list_->setFixedHeight(address_list_->sizeHintForRow(0) *
                                      int(std::min<qsizetype>(addresses.size(), 5)) +
                                  2 * address_list_->frameWidth());
    // The session screen may have come up since the window was made.
    if (QWidget* parent = DialogParent(); qr_window_->parentWidget() != parent) {
        qr_window_->setParent(parent, qr_window_->windowFlags());
    }
    ShowQrOf(addresses.first());
    qr_window_->show();
    qr_window_->raise();
}

void LiveTimingSwitch::ShowQrOf(const QString& address) {
    if (!qr_window_ || address.isEmpty()) {
        return;
    }
    qr_window_->findChild<QLabel*>(QStringLiteral("ImageQrCode"))
        ->setPixmap(QPixmap::fromImage(QrCodeImage(address, 6)));
    qr_window_->findChild<QLabel*>(QStringLiteral("LabelQrAddress"))->setText(address);
    qr_window_->adjustSize();
}

void LiveTimingSwitch::SetRecords(const RecordsBoard& board) {
    records_ = board;
    if (server_) {
        server_->SetRecords(board);
    }
}

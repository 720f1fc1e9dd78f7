#include "LiveTimingSwitch.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QVBoxLayout>

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
constexpr int kLeft = 194;
constexpr int kWidth = 183;

// The label opens the QR code on a click.
class ClickableLabel : public QLabel {
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

QString LocalNetworkAddress() {
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            return address.toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

LiveTimingSwitch::LiveTimingSwitch(QWidget* launcher, const Station& station, QString ini_path)
    : launcher_(launcher), station_(station), ini_path_(std::move(ini_path)) {
    settings_ = LoadLiveTimingSettings(ini_path_);

    check_box_ = new QCheckBox(QStringLiteral("Live timing"), launcher);
    check_box_->setObjectName(QStringLiteral("CheckBoxLiveTiming"));
    check_box_->setGeometry(kCheckBoxLeft, kTop, kCheckBoxWidth, 24);
    check_box_->setChecked(settings_.enabled);

    auto* label = new ClickableLabel(launcher);
    label->setObjectName(QStringLiteral("LabelLiveTimingAddress"));
    label->setGeometry(kLeft, kTop, kWidth, 25);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(QStringLiteral("Click for a QR code of the address"));
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

bool LiveTimingSwitch::IsServing() const {
    return server_ && server_->IsListening();
}

quint16 LiveTimingSwitch::port() const {
    return IsServing() ? server_->port() : 0;
}

QString LiveTimingSwitch::Address() const {
    if (!IsServing()) {
        return {};
    }
    const QString host = settings_.address.isEmpty() ? LocalNetworkAddress() : settings_.address;
    return QStringLiteral("http://%1:%2/").arg(host).arg(server_->port());
}

QString LiveTimingSwitch::LineText() const {
    return address_label_->text();
}

void LiveTimingSwitch::SetEnabled(bool enabled) {
    settings_.enabled = enabled;
    QString error;
    if (!SaveLiveTimingSettings(ini_path_, settings_, &error)) {
        QMessageBox::warning(
            launcher_, QStringLiteral("RUVOTimer"),
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
        if (!server_->Listen(address, settings_.port, &failure_)) {
            short_failure_ =
                server_->listen_error() == QAbstractSocket::AddressInUseError
                    ? QStringLiteral("Not running: port %1 is in use").arg(settings_.port)
                    : QStringLiteral("Not running: address or port not usable");
            server_.reset();
        }
    }
    if (!failure_.isEmpty()) {
        // Told once; the line keeps saying it, and the station carries on.
        QMessageBox::warning(launcher_, QStringLiteral("RUVOTimer"),
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
    const QString address = Address();
    if (address.isEmpty()) {
        return;
    }
    if (!qr_window_) {
        qr_window_ = std::make_unique<QDialog>(launcher_);
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
        layout->addWidget(picture);
        layout->addWidget(text);
    }
    qr_window_->findChild<QLabel*>(QStringLiteral("ImageQrCode"))
        ->setPixmap(QPixmap::fromImage(QrCodeImage(address, 6)));
    qr_window_->findChild<QLabel*>(QStringLiteral("LabelQrAddress"))->setText(address);
    qr_window_->adjustSize();
    qr_window_->show();
    qr_window_->raise();
}

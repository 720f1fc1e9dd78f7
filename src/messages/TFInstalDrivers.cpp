#include "TFInstalDrivers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "BusyCursor.h"
#include "WindowLook.h"

namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 300;
const QString kRulesName = QStringLiteral("60-ruvotimer-usbkey.rules");

QLabel* MakeText(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setFont(ArialPixels(35));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    SetTextColour(label, Colours::kBlue);
    label->setGeometry(16, 16, kWidth - 32, 170);  // both texts share this place
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFont(ArialPixels(21));
    button->setGeometry((kWidth - 200) / 2, 210, 200, 57);  // both buttons share this place
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TFInstalDrivers::TFInstalDrivers(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FInstalDrivers"));
    setWindowTitle(QStringLiteral("Install drivers"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    label1_ = MakeText(this, "Label1", "Disconnect USB-Key and press Next");
    label3_ = MakeText(this, "Label3", "Connect USB-Key and press Install");
    button2_ = MakeButton(this, "Button2", "Next");
    button1_ = MakeButton(this, "Button1", "Install");
    label3_->setVisible(false);
    button1_->setVisible(false);
    connect(button1_, &QPushButton::clicked, this, &TFInstalDrivers::Button1Click);
    connect(button2_, &QPushButton::clicked, this, &TFInstalDrivers::Button2Click);

    setFixedSize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    install_driver = [this] { InstallReceiverDriver(this); };
}

void TFInstalDrivers::Button2Click() {
    button2_->setVisible(false);
    label1_->setVisible(false);
    button1_->setVisible(true);
    label3_->setVisible(true);
}

void TFInstalDrivers::Button1Click() {
    install_driver();
    accept();
}

void RunDriverWizard(QWidget* parent) {
    TFInstalDrivers wizard(parent);
    wizard.exec();
}

QString UdevRulesFile() {
    return UdevRulesFile(QCoreApplication::applicationDirPath());
}

QString UdevRulesFile(const QString& program_folder) {
    const QString candidates[] = {
        program_folder + QLatin1Char('/') + kRulesName,
        program_folder + QStringLiteral("/../lib/udev/rules.d/") + kRulesName,
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            return QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
        }
    }
    return QStringLiteral("packaging/") + kRulesName;
}

QString DriverAccessInstructions(const QString& rules_file) {
    return QStringLiteral(
               "On Linux the USB-Key (vendor 0x1234, product 0x1236) needs no driver, only the "
               "right to use it. RUVOTimer ships a udev rule for that:\n\n%1\n\n"
               "Install it and reload the rules in a terminal:\n\n"
               "sudo install -m 644 %1 /etc/udev/rules.d/ && sudo udevadm control --reload-rules "
               "&& sudo udevadm trigger\n\n"
               "Then unplug the USB-Key and plug it in again. The rule reads:\n\n"
               "SUBSYSTEMS==\"usb\", ATTRS{idVendor}==\"1234\", ATTRS{idProduct}==\"1236\", "
               "TAG+=\"uaccess\"")
        .arg(rules_file);
}

void InstallReceiverDriver(QWidget* parent) {
    QString instructions;
    {
        const BusyCursor busy;
        instructions = DriverAccessInstructions(UdevRulesFile());
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Install drivers"), instructions,
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("DriverAccessBox"));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

#include "TFInstalDrivers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "BusyCursor.h"
#include "DriverAccessText.h"
#include "WindowLook.h"

namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 300;

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

QString DriverAccessInstructions() {
    const FileExists exists = [](const QString& path) { return QFileInfo::exists(path); };
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) {
        user = qEnvironmentVariable("LOGNAME");
    }
    return DriverAccessText(FindUdevRule(QCoreApplication::applicationDirPath(), exists), user);
}

void InstallReceiverDriver(QWidget* parent) {
    QString instructions;
    {
        const BusyCursor busy;
        instructions = DriverAccessInstructions();
    }
    ShowDriverAccess(instructions, parent);
}

void ShowDriverAccess(const QString& instructions, QWidget* parent) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Install drivers"), instructions,
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("DriverAccessBox"));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Wide enough that most commands stay on one line each.
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 660px; }"));
    box.exec();
}

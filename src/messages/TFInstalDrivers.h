#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

// The "Install drivers" wizard: first "Disconnect USB-Key and press Next", then
// "Connect USB-Key and press Install". "Install" runs the installation and closes;
// the close box installs nothing.
class TFInstalDrivers : public QDialog {
    Q_OBJECT

  public:
    explicit TFInstalDrivers(QWidget* parent = nullptr);

    // What "Install" runs; tests put their own here.
    std::function<void()> install_driver;

  public slots:
    void Button1Click();  // "Install"
    void Button2Click();  // "Next"

  private:
    QLabel* label1_ = nullptr;
    QLabel* label3_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
};

// Runs the wizard modally.
void RunDriverWizard(QWidget* parent = nullptr);

// On Linux the receiver needs no driver, only access rights: tells the operator
// how to give them (see DriverAccessText.h). Never runs anything as root.
void InstallReceiverDriver(QWidget* parent = nullptr);

// The instructions for this program on this PC.
QString DriverAccessInstructions();

// Shows instructions in a modal box with selectable text, for copying the commands.
void ShowDriverAccess(const QString& instructions, QWidget* parent = nullptr);

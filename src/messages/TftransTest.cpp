#include "TftransTest.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "IntEdit.h"
#include "WindowLook.h"

namespace {

constexpr int kTestWidth = 620;
constexpr int kTestHeight = 396;
// Below "CLOSE" (top 250, 57 high): the USB-Key's status and the chosen unit's link.
constexpr int kReceiverStatusTop = 322;
constexpr int kTestLinkQualityTop = 354;
constexpr int kInfoHeight = 28;
constexpr int kInfoFont = 19;
// The texts refresh often enough for an age in tenths of a second to read as live.
constexpr int kInfoRefreshMs = 250;

QLabel* MakeInfoLine(QWidget* parent, const char* name, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setFont(ArialPixels(kInfoFont));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(16, top, kTestWidth - 32, kInfoHeight);
    return label;
}

}  // namespace

TftransTest::TftransTest(Station& station, QWidget* parent) : QWidget(parent), station_(station) {
    setObjectName(QStringLiteral("ftransTest"));
    setWindowTitle(QStringLiteral("Transmission test"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* label1 = new QLabel(QStringLiteral("RUVO serial number"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setFont(ArialPixels(21));
    label1->setGeometry(16, 16, 260, 30);

    int_edit1_ = new IntEdit(this);
    int_edit1_->setObjectName(QStringLiteral("IntEdit1"));
    int_edit1_->setFont(ArialPixels(21));
    int_edit1_->setGeometry(280, 14, 200, 34);
    int_edit1_->setValue(0);

    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setFont(ArialPixels(48));
    label2_->setAlignment(Qt::AlignCenter);
    label2_->setGeometry(0, 70, kTestWidth, 80);
    ShowStatus(false);

    label3_ = new QLabel(QStringLiteral("Network: "), this);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setFont(ArialPixels(35));
    label3_->setAlignment(Qt::AlignCenter);
    label3_->setGeometry(0, 160, kTestWidth, 60);
    SetTextColour(label3_, Colours::kBlue);

    auto* button1 = new QPushButton(QStringLiteral("CLOSE"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setFont(ArialPixels(21));
    button1->setGeometry((kTestWidth - 245) / 2, 250, 245, 57);
    connect(button1, &QPushButton::clicked, this, &TftransTest::Button1Click);

    label_receiver_status_ = MakeInfoLine(this, "LabelReceiverStatus", kReceiverStatusTop);
    label_link_quality_ = MakeInfoLine(this, "LabelLinkQuality", kTestLinkQualityTop);
    ShowLinkInfo();

    // Connected after the initial 0 is set: only the operator's edits reset the test.
    connect(int_edit1_, &IntEdit::changed, this, &TftransTest::IntEdit1Change);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &TftransTest::Timer1Timer);
    timer1_->start();

    // Timer1 restarts with every fresh frame, so the status and link lines have a timer
    // of their own.
    timer2_ = new QTimer(this);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(kInfoRefreshMs);
    connect(timer2_, &QTimer::timeout, this, &TftransTest::ShowLinkInfo);
    timer2_->start();

    setFixedSize(kTestWidth, kTestHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TftransTest::~TftransTest() {
    if (station_.transmission_test == this) {
        station_.transmission_test = nullptr;
    }
}

void TftransTest::UpdateTransmission(qint32 serial_number, qint32 packet_counter,
                                     qint32 network_value) {
    label3_->setText(QStringLiteral("Network: ") + QString::number(network_value));
    if (serial_number != int_edit1_->value()) {
        return;
    }
    if (last_counter_ != 0 && packet_counter != last_counter_) {
        timer1_->start();  // a full second from now
        ShowStatus(true);
    }
    last_counter_ = packet_counter;
}

void TftransTest::Timer1Timer() {
    ShowStatus(false);
}

void TftransTest::IntEdit1Change() {
    ShowStatus(false);
    last_counter_ = 0;
    ShowLinkInfo();
}

void TftransTest::ShowLinkInfo() {
    const ReceiverStatus& status = station_.receiver_status;
    label_receiver_status_->setText(ReceiverStatusText(status));
    // Dark green and dark red read on the window's light background.
    const Colour colour = status.state == ReceiverState::kConnected ? kGoodColour : kBadColour;
    if (label_receiver_status_->palette().color(QPalette::WindowText) != ToQColor(colour)) {
        SetTextColour(label_receiver_status_, colour);
    }
    const Clock& clock = station_.clock();
    label_link_quality_->setText(LinkQualityText(station_.link_quality.Find(int_edit1_->value()),
                                                 clock.PerformanceCounter(),
                                                 clock.PerformanceFrequency()));
}

void TftransTest::Button1Click() {
    close();
}

void TftransTest::closeEvent(QCloseEvent* event) {
    station_.stop_requested = true;
    if (station_.transmission_test == this) {
        station_.transmission_test = nullptr;
    }
    timer1_->stop();
    timer2_->stop();
    event->accept();
}

void TftransTest::ShowStatus(bool ok) {
    label2_->setText(ok ? QStringLiteral("Transmission OK") : QStringLiteral("Transmission error"));
    SetTextColour(label2_, ok ? Colours::kLime : Colours::kRed);
}

std::unique_ptr<TftransTest> ShowTransmissionTest(Station& station) {
    auto window = std::make_unique<TftransTest>(station);
    station.transmission_test = window.get();
    window->show();
    return window;
}

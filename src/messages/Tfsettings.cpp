#include "Tfsettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <array>

#include "IntEdit.h"
#include "LimitedLineEdit.h"
#include "Tflistakomunikatow.h"
#include "WindowLook.h"

namespace {

constexpr int kSettingsLineLength = 12;
constexpr int kSettingsLeft = 16;
constexpr int kSettingsWidth = 440;
constexpr int kRowHeight = 34;
constexpr int kButtonsBottom = 564 + 46;
// Under "OK" and "Cancel": the link quality of a radio kart's unit.
constexpr int kSettingsLinkQualityTop = kButtonsBottom + 8;
constexpr int kLinkQualityHeight = 26;
constexpr int kLinkQualityFont = 17;

QLabel* PlaceCaption(QWidget* parent, const char* text, int left, int top, int width) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(left, top, width, 26);
    return label;
}

}  // namespace

Tfsettings::Tfsettings(Station& station, int slot, QWidget* parent)
    : QDialog(parent), station_(station), slot_(slot) {
    setObjectName(QStringLiteral("fsettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(ArialPixels(21));

    PlaceCaption(this, "Name", kSettingsLeft, 12, kSettingsWidth);
    edit2_ = new QLineEdit(this);
    edit2_->setObjectName(QStringLiteral("Edit2"));
    edit2_->setGeometry(kSettingsLeft, 40, kSettingsWidth, kRowHeight);

    check_box1_ = new QCheckBox(QStringLiteral("Radio"), this);
    check_box1_->setObjectName(QStringLiteral("CheckBox1"));
    check_box1_->setGeometry(kSettingsLeft, 84, kSettingsWidth / 2, 30);
    // Beside "Radio", in the row's free half: a kart without a unit timed by the
    // camera at the line. The two exclude each other.
    check_box_camera_ = new QCheckBox(QStringLiteral("Camera"), this);
    check_box_camera_->setObjectName(QStringLiteral("CheckBoxCamera"));
    check_box_camera_->setGeometry(kSettingsLeft + kSettingsWidth / 2, 84, kSettingsWidth / 2, 30);
    connect(check_box1_, &QCheckBox::toggled, this, [this](bool radio) {
        if (radio) {
            check_box_camera_->setChecked(false);
        }
    });
    connect(check_box_camera_, &QCheckBox::toggled, this, [this](bool camera) {
        if (camera) {
            check_box1_->setChecked(false);
        }
    });

    PlaceCaption(this, "RUVO serial number", kSettingsLeft, 122, kSettingsWidth);
    int_edit1_ = new IntEdit(this);
    int_edit1_->setObjectName(QStringLiteral("IntEdit1"));
    int_edit1_->setGeometry(kSettingsLeft, 150, kSettingsWidth, kRowHeight);

    auto* group = new QGroupBox(QStringLiteral(" Send message "), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(kSettingsLeft, 198, kSettingsWidth, 350);

    struct LineField {
        const char* name;
        int top;
        LimitedLineEdit** field;
    };
    const std::array<LineField, 2> lines = {{{"Edit1", 36, &edit1_}, {"Edit3", 76, &edit3_}}};
    for (const LineField& line : lines) {
        auto* edit = new LimitedLineEdit(kSettingsLineLength, LimitedLineEdit::Case::Keep, group);
        edit->setObjectName(QString::fromUtf8(line.name));
        edit->setGeometry(12, line.top, kSettingsWidth - 24, kRowHeight);
        *line.field = edit;
    }

    struct ButtonPlace {
        const char* name;
        const char* caption;
        QWidget* parent;
        QRect geometry;
        void (Tfsettings::*handler)();
    };
    const std::array<ButtonPlace, 6> buttons = {{
        {"SpeedButton1",
         "Send message",
         group,
         {12, 124, kSettingsWidth - 24, 46},
         &Tfsettings::SpeedButton1Click},
        {"SpeedButton6",
         "Message after lap",
         group,
         {12, 178, kSettingsWidth - 24, 46},
         &Tfsettings::SpeedButton6Click},
        {"SpeedButton2",
         "Select message from list",
         group,
         {12, 232, kSettingsWidth - 24, 46},
         &Tfsettings::SpeedButton2Click},
        {"SpeedButton5",
         "Mesage from list. Show after lap",
         group,
         {12, 286, kSettingsWidth - 24, 46},
         &Tfsettings::SpeedButton5Click},
        {"SpeedButton3", "OK", this, {kSettingsLeft, 564, 210, 46}, &Tfsettings::SpeedButton3Click},
        {"SpeedButton4",
         "Cancel",
         this,
         {kSettingsLeft + kSettingsWidth - 210, 564, 210, 46},
         &Tfsettings::SpeedButton4Click},
    }};
    for (const ButtonPlace& place : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(place.caption), place.parent);
        button->setObjectName(QString::fromUtf8(place.name));
        button->setGeometry(place.geometry);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, place.handler);
    }

    label_link_quality_ = new QLabel(this);
    label_link_quality_->setObjectName(QStringLiteral("LabelLinkQuality"));
    label_link_quality_->setFont(ArialPixels(kLinkQualityFont));
    label_link_quality_->setGeometry(kSettingsLeft, kSettingsLinkQualityTop, kSettingsWidth,
                                     kLinkQualityHeight);
    // While the dialog is open the receiver is not read: the age of the last packet grows.
    auto* timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(1000);
    connect(timer1, &QTimer::timeout, this, &Tfsettings::ShowLinkQuality);
    timer1->start();

    setFixedSize(kSettingsWidth + 2 * kSettingsLeft,
                 kSettingsLinkQualityTop + kLinkQualityHeight + 8);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    const KartSlot& kart = station_.slot(slot_);
    check_box1_->setChecked(kart.radio);
    check_box_camera_->setChecked(kart.camera_timed && !kart.radio);
    edit2_->setText(kart.driver_name);
    int_edit1_->setValue(kart.serial_number);
    ShowLinkQuality();
    connect(check_box1_, &QCheckBox::toggled, this, &Tfsettings::ShowLinkQuality);
    connect(int_edit1_, &IntEdit::changed, this, &Tfsettings::ShowLinkQuality);

    pick_message = [this](QString& line1, QString& line2, Colour& background, Colour& font) {
        return PickMessage(station_, line1, line2, background, font, this);
    };
}

void Tfsettings::SpeedButton3Click() {
    result_ = true;
    KartSlot& kart = station_.slot(slot_);
    kart.radio = check_box1_->isChecked();
    kart.camera_timed = check_box_camera_->isChecked();
    kart.driver_name = edit2_->text();
    kart.serial_number = int_edit1_->value();
    accept();
}

void Tfsettings::ShowLinkQuality() {
    // Only a radio kart has a unit to hear; the line follows the fields as edited.
    label_link_quality_->setVisible(check_box1_->isChecked());
    const Clock& clock = station_.clock();
    label_link_quality_->setText(LinkQualityText(station_.link_quality.Find(int_edit1_->value()),
                                                 clock.PerformanceCounter(),
                                                 clock.PerformanceFrequency()));
}

void Tfsettings::SpeedButton4Click() {
    result_ = false;
    reject();
}

void Tfsettings::SpeedButton1Click() {
    QueueTyped(1);
}
void Tfsettings::SpeedButton6Click() {
    QueueTyped(0);
}
void Tfsettings::SpeedButton2Click() {
    QueueFromList(1);
}
void Tfsettings::SpeedButton5Click() {
    QueueFromList(0);
}

void Tfsettings::QueueTyped(qint32 immediate) {
    // Only a radio kart has a display to type to; the list buttons do not ask.
    if (!check_box1_->isChecked()) {
        return;
    }
    Queue(edit1_->text(), edit3_->text(), Colours::kBlack, Colours::kWhite, immediate);
}

void Tfsettings::QueueFromList(qint32 immediate) {
    QString line1;
    QString line2;
    Colour background = 0;
    Colour font = 0;
    if (!pick_message(line1, line2, background, font)) {
        return;
    }
    Queue(line1, line2, background, font, immediate);
}

void Tfsettings::Queue(const QString& line1, const QString& line2, Colour background, Colour font,
                       qint32 immediate) {
    KartSlot& kart = station_.slot(slot_);
    kart.message_pending = true;
    kart.message_line1 = line1;
    kart.message_line2 = line2;
    kart.message_background = background;
    kart.message_font_colour = font;
    kart.message_immediate = immediate;
    result_ = false;
    reject();
}

bool ShowKartSettings(Station& station, int slot, QWidget* parent) {
    if (!IsValidSlot(slot)) {
        return false;
    }
    Tfsettings dialog(station, slot, parent);
    dialog.exec();
    return dialog.result_flag();
}

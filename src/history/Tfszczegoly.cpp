#include "Tfszczegoly.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "LapGap.h"
#include "ScreenWidgets.h"
#include "Station.h"
#include "TimeFormat.h"

namespace {

constexpr int kClientWidth = 513;
constexpr int kClientHeight = 449;
constexpr int kFont = 48;

struct LabelPlace {
    const char* name;
    const char* design_text;
    int left;
    int top;
    int width;
    bool right_aligned;
};

// Right-aligned figures keep the right edge of their design place but reach further
// left, so three-digit minutes or lap numbers are never cut.
constexpr LabelPlace kLabels[] = {
    {"Label79", "L00", 10, 44, 188, true},        // right edge 198
    {"Label31", "00:00:00", 199, 44, 218, true},  // right edge 417
    {"Label32", "00:00", 199, 111, 218, true},    // right edge 417
    {"Label1", "max RPM:", 42, 182, 223, true},  {"Label3", "120000", 292, 181, 216, false},
    {"Label2", "min RPM:", 56, 243, 209, true},  {"Label4", "120000", 292, 242, 216, false},
};

bool ValidEntry(int slot, int row) {
    return IsValidSlot(slot) && row >= 1 && row <= kLapEntries;
}

}  // namespace

Tfszczegoly::Tfszczegoly(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fszczegoly"));
    // A tool window: thin caption with a close box only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    SetBackground(this, Colours::kBlack);

    std::array<QLabel*, std::size(kLabels)> labels{};
    for (size_t i = 0; i < std::size(kLabels); ++i) {
        const LabelPlace& place = kLabels[i];
        const Qt::Alignment alignment =
            (place.right_aligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        labels[i] = PlaceLabel(this, QString::fromLatin1(place.name),
                               QString::fromLatin1(place.design_text), place.left, place.top,
                               place.width, {kFont, Colours::kWhite, alignment});
    }
    label79_ = labels[0];
    label31_ = labels[1];
    label32_ = labels[2];
    label3_ = labels[4];
    label4_ = labels[6];

    button1_ = new QPushButton(QStringLiteral("Close"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setFont(ArialFont(21));
    button1_->setGeometry(144, 320, 225, 121);
    connect(button1_, &QPushButton::clicked, this, &Tfszczegoly::Button1Click);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void Tfszczegoly::ShowEntry(const KartSlot& kart, int entry) {
    const LapEntry& lap = kart.lap(entry);
    setWindowTitle(kart.driver_name);
    label79_->setText(FormatLapNumber(lap.lap_number));
    // From the time in hundredths, not a stored text, so every source shows alike.
    label31_->setText(FormatLapTime(quint32(lap.lap_time)));
    label32_->setText(LapGapText(lap.lap_time, kart.lap(1).lap_time));
    label3_->setText(QString::number(lap.rpm_max));
    label4_->setText(QString::number(lap.rpm_min));
}

void Tfszczegoly::Button1Click() {
    accept();
}

void ShowLapDetails(const Station& station, int slot, int row, QWidget* parent) {
    if (!ValidEntry(slot, row)) {
        return;
    }
    Tfszczegoly view(parent);
    view.ShowEntry(station.slot(slot), row);
    view.exec();
}

void ShowStoredLapDetails(SessionRecord record, int slot, int row, QWidget* parent) {
    if (!ValidEntry(slot, row)) {
        return;
    }
    Tfszczegoly view(parent);
    view.ShowEntry(record.kart(slot), row);
    view.exec();
}

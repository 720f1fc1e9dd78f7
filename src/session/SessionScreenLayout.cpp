// Building the session screen's bars and columns, and placing them on a resize.
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "Artwork.h"
#include "BestLapsGrid.h"
#include "ColumnFlash.h"
#include "KartColumn.h"
#include "LabelBoard.h"
#include "LapPressWatcher.h"
#include "ReceiverStatusLine.h"
#include "ScreenWidgets.h"
#include "SessionControls.h"
#include "SessionScreenLayout.h"
#include "TFrame1.h"
#include "Tfekranglowny.h"

using namespace session_layout;

namespace {

QPushButton* MakeBarButton(QWidget* parent, const char* name, const char* caption, int left) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFont(ArialFont(21));
    button->setGeometry(left, (kBottomBarHeight - 57) / 2, 245, 57);
    button->setFocusPolicy(Qt::NoFocus);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(palette);
    return button;
}

}  // namespace

void Tfekranglowny::BuildTopBar() {
    panel10_ = MakePanel(this, QStringLiteral("Panel10"), Colours::kGrey);
    image1_ = new QLabel(panel10_);
    image1_->setObjectName(QStringLiteral("Image1"));

    struct Caption {
        const char* name;
        const char* text;
        int left;
    };
    constexpr std::array<Caption, 5> kCaptions = {{
        {"Label107", "Session: 1", 7},
        {"Label103", "Session time:", 242},
        {"Label104", "00:00:00", 423},
        {"Label106", "Actual time:", 554},
        {"Label105", "00:00:00", 714},
    }};
    const int top = (kTopBarHeight - QFontMetrics(ArialFont(kTopBarFont, true)).height()) / 2;
    std::array<QLabel*, kCaptions.size()> labels{};
    for (size_t i = 0; i < kCaptions.size(); ++i) {
        // Wide enough for "Session: 100" and a clock with three hour digits.
        labels[i] =
            PlaceLabel(panel10_, QString::fromUtf8(kCaptions[i].name),
                       QString::fromUtf8(kCaptions[i].text), kCaptions[i].left, top, 0,
                       {kTopBarFont, Colours::kWhite, Qt::AlignLeft | Qt::AlignVCenter, true});
        labels[i]->resize(labels[i]->width() + 40, labels[i]->height());
    }
    label107_ = labels[0];
    label104_ = labels[2];
    label105_ = labels[4];
}

void Tfekranglowny::BuildLeftColumn() {
    panel9_ = MakePanel(this, QStringLiteral("Panel9"), Colours::kBlack);
    struct Caption {
        const char* name;
        const char* text;
        int top;
        int font;
    };
    constexpr std::array<Caption, 3> kCaptions = {{
        {"LabelActual", "Actual", 67, 21},
        {"LabelRpm", "RPM", 92, 16},
        {"LabelLast", "Last", 123, 21},
    }};
    for (const Caption& caption : kCaptions) {
        PlaceLabel(panel9_, QString::fromUtf8(caption.name), QString::fromUtf8(caption.text), 6,
                   caption.top, 0, {caption.font});
    }
    for (int row = 1; row <= BestLapsGrid::kRows; ++row) {
        PlaceLabel(panel9_, QStringLiteral("LabelRow%1").arg(row), QStringLiteral("%1.").arg(row),
                   6, BestLapsGrid::kRankTops[size_t(row - 1)], 0, {35});
    }
}

void Tfekranglowny::BuildCentre() {
    panel3_ = MakePanel(this, QStringLiteral("Panel3"), Colours::kBlack);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        auto column = std::make_unique<KartColumn>(panel3_, slot);
        connect(column->header(), &ClickableLabel::clicked, this,
                [this, header = column->header()] { PanelClick(header); });
        columns_[size_t(slot - 1)] = std::move(column);
    }
    // Built after the columns, so the best-laps labels lie under the sensor frames.
    best_laps_ =
        std::make_unique<BestLapsGrid>(panel3_, 143, [this](int tag) { Label78Click(tag); });
    for (const auto& column : columns_) {
        column->sensor_frame()->raise();
    }
    std::vector<LiveLabel*> live;
    for (const auto& column : columns_) {
        column->RaiseLiveLabels();
        const std::vector<LiveLabel*> labels = column->live_labels();
        live.insert(live.end(), labels.begin(), labels.end());
    }
    // One painter for the values that change with the frames, over all columns.
    auto* board = new LabelBoard(panel3_);
    board->setObjectName(QStringLiteral("LabelBoard"));
    board->Host(live);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        auto* flash =
            new ColumnFlash(panel3_, QRect(BestLapsGrid::kColumnLefts[size_t(slot - 1)], 1,
                                           BestLapsGrid::kColumnWidth, kKeyFlashHeight));
        flash->setObjectName(QStringLiteral("KeyFlash%1").arg(slot));
        key_flashes_[size_t(slot - 1)] = flash;
    }
    lap_press_watcher_ = new LapPressWatcher(this);
    connect(lap_press_watcher_, &LapPressWatcher::requested, this,
            [this](int slot, int row, QPoint at) { ShowLapMenu(slot, row, at); });
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        // The "Last" row: the lap time and its gap.
        lap_press_watcher_->Watch(columns_[size_t(slot - 1)]->last_lap(), slot, 0);
        lap_press_watcher_->Watch(columns_[size_t(slot - 1)]->last_gap(), slot, 0);
        for (int row = 1; row <= BestLapsGrid::kRows; ++row) {
            for (QLabel* label : {best_laps_->LapNumber(slot, row), best_laps_->LapTime(slot, row),
                                  best_laps_->Gap(slot, row)}) {
                lap_press_watcher_->Watch(label, slot, row);
            }
        }
    }
}

void Tfekranglowny::BuildRightColumn() {
    panel2_ = MakePanel(this, QStringLiteral("Panel2"), Colours::kDarkGrey);
    const QPixmap start = Artwork::StartTile();
    const QPixmap stopwatch = Artwork::Stopwatch(false);
    const QPixmap stopwatch_pressed = Artwork::Stopwatch(true);
    const QPixmap glass = Artwork::MagnifyingGlass(false);
    const QPixmap glass_pressed = Artwork::MagnifyingGlass(true);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        RightRow& row = right_rows_[size_t(slot - 1)];
        const int top = kRowTops[size_t(slot - 1)];

        row.start_stop = new ClickableLabel(panel2_);
        row.start_stop->setObjectName(QStringLiteral("Image%1").arg(slot + 1));
        row.start_stop->setGeometry(kStartStopLeft, top, kStartStopSize, kStartStopSize);
        row.start_stop->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        row.start_stop->setPixmap(start);
        connect(row.start_stop, &ClickableLabel::clicked, this,
                [this, control = row.start_stop] { Image2Click(control); });

        row.lap = new ImageButton(stopwatch, stopwatch_pressed, panel2_);
        row.lap->setObjectName(QStringLiteral("ImageButton%1").arg(slot));
        row.lap->move(kShownLeft, top);
        connect(row.lap, &QAbstractButton::clicked, this,
                [this, control = row.lap] { ImageButton1Click(control); });

        row.sensor = new ImageButton(glass, glass_pressed, panel2_);
        row.sensor->setObjectName(QStringLiteral("ImageButton%1").arg(slot + 5));
        row.sensor->move(kSensorDesignLeft, top);
        row.sensor->setEnabled(false);
        connect(row.sensor, &QAbstractButton::clicked, this,
                [this, control = row.sensor] { ImageButton6Click(control); });

        row.name = PlaceLabel<ClickableLabel>(
            panel2_, QStringLiteral("Label%1").arg(107 + slot), QString::number(slot),
            kShownLeft + (Artwork::kTileSize - kNameWidth) / 2, kNameTops[size_t(slot - 1)],
            kNameWidth, {16, Colours::kWhite, Qt::AlignCenter, true});
        connect(row.name, &ClickableLabel::clicked, this,
                [this, control = row.name] { ImageButton1Click(control); });

        for (QWidget* control :
             {static_cast<QWidget*>(row.start_stop), static_cast<QWidget*>(row.lap),
              static_cast<QWidget*>(row.sensor), static_cast<QWidget*>(row.name)}) {
            control->setProperty("tag", slot);
        }
    }
}

void Tfekranglowny::BuildBottomBar() {
    panel1_ = MakePanel(this, QStringLiteral("Panel1"), Colours::kGrey);
    button1_ = MakeBarButton(panel1_, "Button1", "END SESSION", 400);
    connect(button1_, &QPushButton::clicked, this, &Tfekranglowny::Button1Click);

    panel11_ = MakePanel(panel1_, QStringLiteral("Panel11"), Colours::kGrey);
    button2_ = MakeBarButton(panel11_, "Button2", "History", 4);
    connect(button2_, &QPushButton::clicked, this, &Tfekranglowny::Button2Click);

    image12_ = new QLabel(panel1_);
    image12_->setObjectName(QStringLiteral("Image12"));
    image12_->setPixmap(Artwork::StartTile());
    image12_->hide();
    image13_ = new QLabel(panel1_);
    image13_->setObjectName(QStringLiteral("Image13"));
    image13_->setPixmap(Artwork::StopTile());
    image13_->hide();

    receiver_status_line_ = new ReceiverStatusLine(panel1_);
}

void Tfekranglowny::resizeEvent(QResizeEvent* event) {
    if (event != nullptr) {
        QWidget::resizeEvent(event);
    }
    const int w = width();
    const int middle = height() - kTopBarHeight - kBottomBarHeight;
    panel10_->setGeometry(0, 0, w, kTopBarHeight);
    image1_->setGeometry(panel10_->rect());
    image1_->setPixmap(Artwork::Banner(panel10_->size()));
    image1_->lower();
    panel9_->setGeometry(0, kTopBarHeight, kLeftColumnWidth, middle);
    panel3_->setGeometry(kLeftColumnWidth, kTopBarHeight, w - kLeftColumnWidth - kRightColumnWidth,
                         middle);
    panel2_->setGeometry(w - kRightColumnWidth, kTopBarHeight, kRightColumnWidth, middle);
    panel1_->setGeometry(0, height() - kBottomBarHeight, w, kBottomBarHeight);
    panel11_->setGeometry(w - kHistoryPanelWidth, 0, kHistoryPanelWidth, kBottomBarHeight);
    const int status_left = kEndSessionRight + kStatusLineMargin;
    const int status_right = w - kHistoryPanelWidth - kStatusLineMargin;
    const int status_width = qMax(0, status_right - status_left);
    // With a camera the two states share the bar, the receiver's on the left.
    const int receiver_width = camera_status_line_ ? status_width / 2 : status_width;
    receiver_status_line_->setGeometry(status_left, 2, receiver_width, kBottomBarHeight - 4);
    if (camera_status_line_) {
        camera_status_line_->setGeometry(status_left + receiver_width, 2,
                                         status_width - receiver_width, kBottomBarHeight - 4);
    }
}

#include "Tfekranglowny.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "Artwork.h"
#include "BestLapsGrid.h"
#include "ColumnFlash.h"
#include "KartColumn.h"
#include "KartTiming.h"
#include "LabelBoard.h"
#include "LapPressWatcher.h"
#include "LapTable.h"
#include "ReceiverStatusLine.h"
#include "RepaintCoalescer.h"
#include "ScreenWidgets.h"
#include "SessionControls.h"
#include "TFrame1.h"

namespace {

constexpr int kTopBarHeight = 56;
constexpr int kBottomBarHeight = 69;
constexpr int kLeftColumnWidth = 75;
constexpr int kRightColumnWidth = 278;
constexpr int kHistoryPanelWidth = 253;
// The receiver's status line in the bottom bar, between "END SESSION" (left 400,
// 245 wide) and the "History" panel at the right edge.
constexpr int kEndSessionRight = 400 + 245;
constexpr int kStatusLineMargin = 16;

// Right column: one row per slot.
constexpr std::array<int, kSlotCount> kRowTops = {11, 127, 244, 360, 477};
constexpr std::array<int, kSlotCount> kNameTops = {106, 222, 339, 455, 572};
constexpr int kStartStopLeft = 27;
constexpr int kStartStopSize = 105;
constexpr int kShownLeft = 155;   // lap or sensor button in sight
constexpr int kHiddenLeft = 400;  // beyond the 278-pixel column: out of sight
constexpr int kSensorDesignLeft = 261;
constexpr int kNameWidth = 84;

constexpr int kTopBarFont = 24;
// The part of a kart column a hand-timing key's sign covers: the header, the lap in
// progress and the last lap with its gap, above the sensor frame.
constexpr int kKeyFlashHeight = 189;

int Tag(const QObject* control) {
    return control->property("tag").toInt();
}

// Clears a flag when the scope ends, on every path.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

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

Tfekranglowny::Tfekranglowny(Station& station, SessionScreenActions actions, QWidget* parent)
    : QWidget(parent), station_(station), actions_(std::move(actions)) {
    setObjectName(QStringLiteral("fekranglowny"));
    setWindowTitle(QStringLiteral("Session"));
    // No system menu, no minimise, maximise or close box; always on top.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    SetBackground(this, Colours::kBlack);
    resize(kDesignWidth, kDesignHeight);

    BuildTopBar();
    BuildLeftColumn();
    BuildCentre();
    BuildRightColumn();
    BuildBottomBar();

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &Tfekranglowny::Timer1Timer);
    timer1_->start();

    coalescer_ = new RepaintCoalescer(this);
    native_key_codes_ = NativeKeyCodesOf(QGuiApplication::platformName());

    undo_shortcut_ = new QShortcut(QKeySequence::Undo, this);
    undo_shortcut_->setObjectName(QStringLiteral("UndoLapShortcut"));
    undo_shortcut_->setContext(Qt::WindowShortcut);
    connect(undo_shortcut_, &QShortcut::activated, this, [this] { UndoLapCorrection(); });
}

Tfekranglowny::~Tfekranglowny() {
    if (station_.session_screen == this) {
        station_.session_screen = nullptr;
    }
}

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
    QWidget::resizeEvent(event);
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
    receiver_status_line_->setGeometry(status_left, 2, qMax(0, status_right - status_left),
                                       kBottomBarHeight - 4);
}

void Tfekranglowny::ShowForSession() {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        ApplyKartMode(slot);
    }
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        ApplyKartLook(slot);
    }
    session_start_counter_ = station_.clock().PerformanceCounter();
    label107_->setText(QStringLiteral("Session: %1").arg(station_.sessions.NextSessionNumber()));
    receiver_status_line_->Show(station_.receiver_status);
    ShowMaximizedOnScreen(this);
}

void Tfekranglowny::ApplyKartMode(int slot) {
    RightRow& row = right_rows_[size_t(slot - 1)];
    const bool radio = station_.slot(slot).radio;
    ImageButton* shown = radio ? row.sensor : row.lap;
    ImageButton* hidden = radio ? row.lap : row.sensor;
    hidden->setEnabled(false);
    hidden->move(kHiddenLeft, hidden->y());
    shown->setEnabled(true);
    shown->move(kShownLeft, shown->y());
    row.start_stop->setVisible(!radio);
    columns_[size_t(slot - 1)]->lamp()->setVisible(radio);
}

void Tfekranglowny::ApplyKartLook(int slot) {
    const KartSlot& kart = station_.slot(slot);
    KartColumn& column = *columns_[size_t(slot - 1)];
    SetBackground(column.header(), kart.radio ? Colours::kGrey : Colours::kNavy);
    column.rpm()->setVisible(kart.radio);
    column.header()->setText(kart.driver_name);
    // 84 pixels hold about ten letters: a longer name keeps its start and ends in
    // "…", centred under the button like a short one; the header shows it whole.
    ClickableLabel* name = right_rows_[size_t(slot - 1)].name;
    name->setText(ElidedToLabel(*name, kart.driver_name));
    name->setToolTip(kart.driver_name);
}

void Tfekranglowny::RefreshKarts() {
    if (refresh_blocked_) {
        return;
    }
    const Clock& clock = station_.clock();
    const qint64 frequency = clock.PerformanceFrequency();
    // One reading for all karts: this runs for every frame received.
    const qint64 now = clock.PerformanceCounter();
    for (int s = 1; s <= kSlotCount; ++s) {
        KartSlot& slot = station_.slot(s);
        qint32& current_lap_time = station_.current_lap_time(s);
        KartColumn& column = *columns_[size_t(s - 1)];
        if (slot.stopwatch_running && !slot.radio) {
            current_lap_time = ElapsedCentiseconds(slot.timing_mark, now, frequency);
        }
        if (slot.radio) {
            if (const auto colour = UpdateStaleness(slot, current_lap_time, now, frequency)) {
                column.SetRunningTimeColour(*colour);
            }
        }
        column.Draw(slot, current_lap_time);
    }
}

void Tfekranglowny::RecordLap(qint32 lap_time, int slot, qint32 rpm_max, qint32 rpm_min) {
    if (!IsValidSlot(slot) || lap_time <= 0) {
        return;  // 0 marks an empty entry: no lap
    }
    KartSlot& kart = station_.slot(slot);
    const qint32 lap_number = kart.current_lap_number;
    laps_.Add(kart, slot, lap_number, lap_time, rpm_max, rpm_min, station_.clock().LocalDateTime());
    const BestLapsDrawing drawing = EnterLap(kart, lap_time, rpm_max, rpm_min);
    if (actions_.lap_recorded) {
        actions_.lap_recorded(slot, lap_number, lap_time, rpm_max, rpm_min,
                              drawing.entered_top_ten);
    }
    DrawBestLaps(slot, drawing, false);
}

void Tfekranglowny::DrawBestLaps(int slot, const BestLapsDrawing& drawing, bool clear_empty_rows) {
    for (int row = 1; row <= BestLapsDrawing::kRows; ++row) {
        if (row > drawing.filled) {
            // A kart left without laps looks as it did before its first lap.
            SetLabelText(best_laps_->LapTime(slot, row),
                         clear_empty_rows && drawing.filled == 0
                             ? QStringLiteral("--:--")
                             : QString::fromLatin1(BestLapsDrawing::kEmptyLapTime));
            if (clear_empty_rows) {
                // The row held a lap that was taken back: its number and gap go too.
                SetLabelText(best_laps_->Gap(slot, row), QStringLiteral("--:--"));
                SetLabelText(best_laps_->LapNumber(slot, row), QStringLiteral("L--"));
            }
            continue;
        }
        const BestLapRowTexts& texts = drawing.rows[size_t(row - 1)];
        SetLabelText(best_laps_->LapTime(slot, row), texts.lap_time);
        SetLabelText(best_laps_->Gap(slot, row), texts.gap);
        SetLabelText(best_laps_->LapNumber(slot, row), texts.lap_number);
    }
}

void Tfekranglowny::ReportSector(int slot, const SectorReport& report) {
    if (actions_.sector_reported) {
        actions_.sector_reported(slot, report);
    }
}

void Tfekranglowny::Timer1Timer() {
    const Clock& clock = station_.clock();
    SetLabelText(label104_, SessionClockText(session_start_counter_, clock.PerformanceCounter(),
                                             clock.PerformanceFrequency()));
    SetLabelText(label105_, clock.LocalDateTime().time().toString(QStringLiteral("HH:mm:ss")));
    receiver_status_line_->Show(station_.receiver_status);
    for (int s = 1; s <= kSlotCount; ++s) {
        const KartSlot& slot = station_.slot(s);
        if (!slot.radio) {
            continue;
        }
        columns_[size_t(s - 1)]->lamp()->setOn(
            LampOnAtTick(slot.packet_counter, seen_packet_counter_[size_t(s - 1)]));
    }
}

void Tfekranglowny::Button1Click() {
    button1_->setEnabled(false);
    can_close_ = true;
    station_.stop_requested = true;
    for (int s = 1; s <= kSlotCount; ++s) {
        if (station_.slot(s).lap(1).lap_time == 0) {
            continue;
        }
        if (actions_.write_session_file && !actions_.write_session_file()) {
            // The operator has been told; the session goes on and can be ended again.
            button1_->setEnabled(true);
            can_close_ = false;
            station_.stop_requested = false;
            return;
        }
        break;
    }
    close();
}

void Tfekranglowny::Button2Click() {
    if (actions_.show_todays_history) {
        actions_.show_todays_history();
    }
}

void Tfekranglowny::closeEvent(QCloseEvent* event) {
    if (!can_close_) {
        event->ignore();
        return;
    }
    timer1_->stop();  // an ended screen is never shown again
    event->accept();
}

void Tfekranglowny::PanelClick(QObject* header) {
    const int slot = Tag(header);
    if (!IsValidSlot(slot) || !actions_.show_kart_settings) {
        return;
    }
    if (!actions_.show_kart_settings(slot)) {
        return;
    }
    ApplyKartMode(slot);
    ApplyKartLook(slot);
    if (actions_.save_kart_settings) {
        actions_.save_kart_settings();
    }
}

void Tfekranglowny::Image2Click(QObject* picture) {
    StartOrStopStopwatchOf(Tag(picture));
}

bool Tfekranglowny::StartOrStopStopwatchOf(int slot) {
    if (!IsValidSlot(slot)) {
        return false;
    }
    const std::optional<bool> running =
        StartOrStopStopwatch(station_.slot(slot), station_.current_lap_time(slot),
                             station_.clock().PerformanceCounter());
    if (!running) {
        return false;
    }
    right_rows_[size_t(slot - 1)].start_stop->setPixmap(*running ? image13_->pixmap()
                                                                 : image12_->pixmap());
    return true;
}

void Tfekranglowny::ImageButton1Click(QObject* control) {
    CompleteHandLap(Tag(control));
}

bool Tfekranglowny::CompleteHandLap(int slot) {
    FlagGuard blocked(refresh_blocked_);
    if (!IsValidSlot(slot)) {
        return false;
    }
    const std::optional<HandLap> lap = ReadHandLap(station_.slot(slot), station_.clock());
    if (!lap) {
        return false;
    }
    RecordLap(lap->lap_time, slot, 0, 0);
    StartNextHandLap(station_.slot(slot), station_.current_lap_time(slot), *lap);
    return true;
}

void Tfekranglowny::keyPressEvent(QKeyEvent* event) {
    const std::optional<HandKeyCommand> command =
        hand_timing_keys_.Command(KeyPressOf(*event, native_key_codes_));
    if (!command) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A held key repeats: only its first press counts.
    if (held_keys_.IsRepeat(event->key(), event->modifiers().toInt(), event->timestamp(),
                            event->isAutoRepeat()) ||
        !IsValidSlot(command->slot)) {
        return;
    }
    // The window system keeps keys from a window behind a modal dialog; this also
    // covers events that reach the screen directly.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
        return;
    }
    const bool acted = command->action == HandKeyAction::kLap
                           ? CompleteHandLap(command->slot)
                           : StartOrStopStopwatchOf(command->slot);
    key_flashes_[size_t(command->slot - 1)]->Show(acted ? ColumnFlash::Sign::kAccepted
                                                        : ColumnFlash::Sign::kRefused);
}

void Tfekranglowny::keyReleaseEvent(QKeyEvent* event) {
    held_keys_.Released(event->key(), event->modifiers().toInt(), event->timestamp());
    QWidget::keyReleaseEvent(event);
}

void Tfekranglowny::ImageButton6Click(QObject* button) {
    const int slot = Tag(button);
    if (!IsValidSlot(slot) || !station_.slot(slot).radio) {
        return;
    }
    TFrame1* frame = columns_[size_t(slot - 1)]->sensor_frame();
    frame->setHidden(!frame->isHidden());
}

void Tfekranglowny::Label78Click(int tag) {
    if (actions_.show_lap_details) {
        actions_.show_lap_details(tag / 10, tag % 10);
    }
}

void Tfekranglowny::ShowLapMenu(int slot, int row, const QPoint& global_position) {
    if (!IsValidSlot(slot) || can_close_) {
        return;  // an ended session is not corrected any more
    }
    // The lap is fixed here, by id: a lap that arrives while the menu or the
    // confirmation is open moves the rows but not the lap chosen.
    const std::optional<int> lap_id =
        row == 0 ? laps_.LastLap(slot) : laps_.TableLap(station_.slot(slot), slot, row);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("LapCorrectionMenu"));
    QAction* delete_lap = menu.addAction(QStringLiteral("Delete this lap"));
    delete_lap->setObjectName(QStringLiteral("DeleteLapAction"));
    delete_lap->setEnabled(lap_id.has_value());
    QAction* undo = nullptr;
    if (laps_.CanUndo()) {
        undo = menu.addAction(QStringLiteral("Undo"));
        undo->setObjectName(QStringLiteral("UndoLapAction"));
        undo->setShortcut(QKeySequence::Undo);
    }
    const QAction* chosen = menu.exec(global_position);
    if (chosen == nullptr) {
        return;
    }
    if (chosen == undo) {
        UndoLapCorrection();
        return;
    }
    if (chosen == delete_lap && lap_id) {
        const SessionLap* lap = laps_.Find(*lap_id);
        if (lap && !lap->deleted && ConfirmLapDeletion(*lap)) {
            DeleteLap(*lap_id);
        }
    }
}

bool Tfekranglowny::ConfirmLapDeletion(const SessionLap& lap) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Delete this lap"),
                    LapDeletionQuestion(lap, station_.slot(lap.slot).driver_name),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("LapCorrectionConfirm"));
    QPushButton* delete_button =
        box.addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    delete_button->setObjectName(QStringLiteral("DeleteLapButton"));
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelDeleteButton"));
    // Enter from a stray key (a foot switch, a clicker) must not delete a lap.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == delete_button;
}

bool Tfekranglowny::DeleteLap(int lap_id) {
    if (can_close_) {
        return false;
    }
    if (!laps_.Delete(lap_id, station_.clock().LocalDateTime())) {
        return false;
    }
    const SessionLap& lap = *laps_.Find(lap_id);
    RedrawAfterCorrection(lap.slot);
    ReportCorrection(lap);
    return true;
}

bool Tfekranglowny::UndoLapCorrection() {
    if (can_close_) {
        return false;
    }
    const std::optional<int> lap_id = laps_.Undo();
    if (!lap_id) {
        return false;
    }
    const SessionLap& lap = *laps_.Find(*lap_id);
    RedrawAfterCorrection(lap.slot);
    ReportCorrection(lap);
    return true;
}

void Tfekranglowny::RedrawAfterCorrection(int slot) {
    KartSlot& kart = station_.slot(slot);
    laps_.Recompute(kart, slot);
    DrawBestLaps(slot, DrawLapTable(kart), true);
    columns_[size_t(slot - 1)]->Draw(kart, station_.current_lap_time(slot));
}

void Tfekranglowny::ReportCorrection(const SessionLap& lap) {
    if (!actions_.lap_corrected) {
        return;
    }
    LapCorrection correction;
    correction.slot = lap.slot;
    correction.lap_sequence = lap.id;
    correction.lap_number = lap.lap_number;
    correction.lap_time = lap.lap_time;
    correction.deleted = lap.deleted;
    correction.at = lap.deleted ? lap.deleted_at : station_.clock().LocalDateTime();
    actions_.lap_corrected(correction);
}

std::unique_ptr<Tfekranglowny> ShowSessionScreen(Station& station, SessionScreenActions actions) {
    auto screen = std::make_unique<Tfekranglowny>(station, std::move(actions));
    station.session_screen = screen.get();
    screen->ShowForSession();
    return screen;
}

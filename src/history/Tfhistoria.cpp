#include "Tfhistoria.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <QFileInfo>

#include "BestLapsGrid.h"
#include "LapChart.h"
#include "LapCsvExport.h"
#include "LapGap.h"
#include "ResultWindow.h"
#include "ScreenWidgets.h"
#include "SessionFile.h"
#include "SessionTimesheet.h"
#include "Station.h"
#include "Tfszczegoly.h"
#include "TimeFormat.h"
#include "TimesheetDialog.h"
#include "TimesheetSettings.h"

namespace {

constexpr int kDesignWidth = 1320;
constexpr int kDesignHeight = 714;
constexpr int kTopBarHeight = 56;
constexpr int kLeftBarWidth = 75;
constexpr int kRightBarWidth = 257;
constexpr int kGapWidth = 169;

}  // namespace

Tfhistoria::Tfhistoria(QWidget* parent)
    : QDialog(parent), sessions_(std::make_unique<SessionTable>()) {
    setObjectName(QStringLiteral("fhistoria"));
    setWindowTitle(QStringLiteral("History"));
    // No border icons: only "Close" ends it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(kDesignWidth, kDesignHeight);
    SetMaximizedOnScreen(this);
    SetBackground(this, Colours::kBlack);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QWidget* top_bar = MakePanel(this, QString(), Colours::kGrey);
    top_bar->setFixedHeight(kTopBarHeight);
    auto* top_layout = new QHBoxLayout(top_bar);
    top_layout->setContentsMargins(0, 0, 0, 0);
    tab_control1_ = new QTabBar(top_bar);
    tab_control1_->setObjectName(QStringLiteral("TabControl1"));
    tab_control1_->setFont(ArialFont(16));
    tab_control1_->setExpanding(false);
    tab_control1_->setDrawBase(false);
    tab_control1_->setStyleSheet(QStringLiteral("QTabBar::tab { height: 45px; padding: 0 14px; }"));
    tab_control1_->addTab(QStringLiteral("q"));  // the design tab, gone once tabs are filled
    top_layout->addWidget(tab_control1_, 0, Qt::AlignBottom | Qt::AlignLeft);
    top_layout->addStretch(1);
    layout->addWidget(top_bar);

    auto* body = new QHBoxLayout();
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    layout->addLayout(body, 1);

    QWidget* left_bar = MakePanel(this, QString(), Colours::kBlack);
    left_bar->setFixedWidth(kLeftBarWidth);
    for (int row = 1; row <= BestLapsGrid::kRows; ++row) {
        PlaceLabel(left_bar, QStringLiteral("LabelRank%1").arg(row), QStringLiteral("%1.").arg(row),
                   32, BestLapsGrid::kRankTops[size_t(row - 1)], 0, {35, Colours::kWhite});
    }
    body->addWidget(left_bar);

    QWidget* centre = MakePanel(this, QString(), Colours::kBlack);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        auto* panel = new QLabel(centre);
        panel->setObjectName(QStringLiteral("Panel%1").arg(slot + 3));
        panel->setTextFormat(Qt::PlainText);  // a driver name from the file, as stored
        panel->setGeometry(BestLapsGrid::kColumnLefts[size_t(slot - 1)], 1,
                           BestLapsGrid::kColumnWidth, 62);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFont(ArialFont(13, true));
        SetBackground(panel, Colours::kNavy);
        SetLabelColour(panel, Colours::kWhite);
        panels_[size_t(slot - 1)] = panel;
    }
    grid_ =
        std::make_unique<BestLapsGrid>(centre, kGapWidth, [this](int tag) { Label78Click(tag); });
    body->addWidget(centre, 1);

    QWidget* right_bar = MakePanel(this, QString(), Colours::kGrey);
    right_bar->setFixedWidth(kRightBarWidth);
    button1_ = new QPushButton(QStringLiteral("Close"), right_bar);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setFont(ArialFont(21));
    button1_->setGeometry(13, 8, 225, 121);
    connect(button1_, &QPushButton::clicked, this, &Tfhistoria::Button1Click);
    // Below "Close", in the bar's free room (tops 140 to 260).
    timesheet_button_ = new QPushButton(QStringLiteral("Timesheet"), right_bar);
    timesheet_button_->setObjectName(QStringLiteral("ButtonTimesheet"));
    timesheet_button_->setGeometry(13, 140, 225, 55);
    lap_chart_button_ = new QPushButton(QStringLiteral("Lap chart"), right_bar);
    lap_chart_button_->setObjectName(QStringLiteral("ButtonLapChart"));
    lap_chart_button_->setGeometry(13, 205, 225, 55);
    for (QPushButton* button : {timesheet_button_, lap_chart_button_}) {
        button->setFont(ArialFont(18));
        button->setEnabled(false);  // until a session is shown
    }
    connect(timesheet_button_, &QPushButton::clicked, this, &Tfhistoria::TimesheetClick);
    connect(lap_chart_button_, &QPushButton::clicked, this, &Tfhistoria::LapChartClick);
    // CSV export, below the space the timesheet and lap chart buttons take.
    button_export_session_ = new QPushButton(QStringLiteral("Export session CSV"), right_bar);
    button_export_session_->setObjectName(QStringLiteral("ButtonExportSession"));
    button_export_session_->setFont(ArialFont(18));
    button_export_session_->setGeometry(13, 280, 225, 55);
    connect(button_export_session_, &QPushButton::clicked, this,
            &Tfhistoria::ButtonExportSessionClick);
    button_export_day_ = new QPushButton(QStringLiteral("Export day CSV"), right_bar);
    button_export_day_->setObjectName(QStringLiteral("ButtonExportDay"));
    button_export_day_->setFont(ArialFont(18));
    button_export_day_->setGeometry(13, 345, 225, 55);
    connect(button_export_day_, &QPushButton::clicked, this, &Tfhistoria::ButtonExportDayClick);
    // The ranked result, a view of the session like the lap chart, in the free room
    // below the export band.
    result_button_ = new QPushButton(QStringLiteral("Result"), right_bar);
    result_button_->setObjectName(QStringLiteral("ButtonResult"));
    result_button_->setFont(ArialFont(18));
    result_button_->setGeometry(13, 420, 225, 55);
    result_button_->setEnabled(false);  // until a session is shown
    connect(result_button_, &QPushButton::clicked, this, &Tfhistoria::ResultClick);
    body->addWidget(right_bar);

    connect(tab_control1_, &QTabBar::currentChanged, this, &Tfhistoria::TabControl1Change);
    FormCreate();
}

Tfhistoria::~Tfhistoria() = default;

void Tfhistoria::FormCreate() {
    loading_ = true;
}

void Tfhistoria::RemoveAllTabs() {
    while (tab_control1_->count() > 0) {
        tab_control1_->removeTab(tab_control1_->count() - 1);
    }
}

QString Tfhistoria::LoadDaySessions(const QString& program_folder, const QDate& shown_day) {
    loading_ = true;
    shown_day_ = shown_day;
    program_folder_ = program_folder;
    RemoveAllTabs();
    const SessionFolderLoad load = LoadSessionFolder(DayFolderPath(program_folder, shown_day),
                                                     *sessions_, SessionTitles::kHistory);
    for (const QString& name : load.file_names) {
        tab_control1_->addTab(SessionLabel(name));
    }
    if (tab_control1_->count() > 0) {
        tab_control1_->setCurrentIndex(0);
        ShowSelectedSession();
    }
    loading_ = false;
    return load.error;
}

void Tfhistoria::LoadSessions(const SessionTable& sessions) {
    loading_ = true;
    const int count = std::clamp(sessions.count, 0, kMaxSessions);
    for (int r = 0; r < count; ++r) {
        sessions_->records[size_t(r)] = sessions.records[size_t(r)];
    }
    sessions_->count = count;
    sessions_->day_total = sessions.day_total;
    RemoveAllTabs();
    for (int r = 0; r < count; ++r) {
        tab_control1_->addTab(sessions_->records[size_t(r)].title);
    }
    if (count > 0) {
        tab_control1_->setCurrentIndex(0);
        ShowSelectedSession();
    }
    loading_ = false;
}

void Tfhistoria::ShowSelectedSession() {
    const int k = tab_control1_->currentIndex();
    if (k < 0 || k >= sessions_->count) {
        return;
    }
    const SessionRecord& record = sessions_->records[size_t(k)];
    timesheet_button_->setEnabled(true);
    lap_chart_button_->setEnabled(true);
    result_button_->setEnabled(true);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const KartSlot& kart = record.kart(slot);
        SetLabelText(panels_[size_t(slot - 1)], kart.driver_name);
        for (int row = 1; row <= BestLapsGrid::kRows; ++row) {
            const LapEntry& entry = kart.lap(row);
            SetLabelText(grid_->LapTime(slot, row), entry.lap_time_text);
            SetLabelText(grid_->Gap(slot, row), LapGapText(entry.lap_time, kart.lap(1).lap_time));
            SetLabelText(grid_->LapNumber(slot, row), FormatLapNumber(entry.lap_number));
        }
    }
}

void Tfhistoria::TabControl1Change(int /*index*/) {
    if (loading_ || tab_control1_->count() == 0) {
        return;
    }
    ShowSelectedSession();
}

void Tfhistoria::Label78Click(int tag) {
    const int k = tab_control1_->currentIndex();
    // Without a tab there is no session whose lap could be shown.
    if (tab_control1_->count() == 0 || k < 0 || k >= sessions_->count) {
        return;
    }
    ShowStoredLapDetails(sessions_->records[size_t(k)], tag / 10, tag % 10, this);
}

void Tfhistoria::Button1Click() {
    accept();
}

const SessionRecord* Tfhistoria::SelectedSession() const {
    const int k = tab_control1_->currentIndex();
    if (tab_control1_->count() == 0 || k < 0 || k >= sessions_->count) {
        return nullptr;
    }
    return &sessions_->records[size_t(k)];
}

std::optional<Timesheet> Tfhistoria::SelectedTimesheet() const {
    const SessionRecord* record = SelectedSession();
    if (record == nullptr) {
        return std::nullopt;
    }
    const QString settings = program_folder_ + QStringLiteral("ustawienia.ini");
    return LoadSessionTimesheet(*record, LoadTimesheetSettings(settings).track);
}

void Tfhistoria::TimesheetClick() {
    if (const auto sheet = SelectedTimesheet()) {
        ShowTimesheetDialog(*sheet, 0, TimesheetFolder(), this);
    }
}

void Tfhistoria::LapChartClick() {
    if (const auto sheet = SelectedTimesheet()) {
        ShowLapChart(*sheet, this);
    }
}

void Tfhistoria::ResultClick() {
    if (const auto sheet = SelectedTimesheet()) {
        ShowSessionResult(*sheet, this);
    }
}

void Tfhistoria::ButtonExportSessionClick() {
    if (const SessionRecord* record = SelectedSession()) {
        ExportSessionCsv(*record, this);
    }
}

void Tfhistoria::ButtonExportDayClick() {
    if (sessions_->count == 0) {
        return;
    }
    // Every session of the day, not only the 100 the window holds.
    ExportDayCsv(QFileInfo(sessions_->records[0].file_path).path(), this);
}

void ShowDayHistory(const QString& program_folder, const QDate& day, QWidget* parent) {
    Tfhistoria window(parent);
    const QString error = window.LoadDaySessions(program_folder, day);
    if (!error.isEmpty()) {
        // Over the open (empty) window, once.
        QTimer::singleShot(0, &window, [&window, error] {
            QMessageBox::warning(&window, QStringLiteral("History"), error);
        });
    }
    window.exec();
}

void ShowTodaysHistory(const Station& station, QWidget* parent) {
    Tfhistoria window(parent);
    window.SetProgramFolder(station.program_folder());
    window.LoadSessions(station.sessions);
    window.exec();
}

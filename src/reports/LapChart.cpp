#include "LapChart.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "Timesheet.h"

LapChart::LapChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LapChart"));
    setMinimumSize(480, 300);
}

void LapChart::SetSeries(std::vector<ChartSeries> series) {
    series_ = std::move(series);
    update();
}

void LapChart::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintLapChart(painter, QRectF(rect()).adjusted(8, 8, -8, -8), series_, 14);
}

LapChartWindow::LapChartWindow(const Timesheet& sheet, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LapChartWindow"));
    setWindowTitle(QStringLiteral("Lap chart %1").arg(sheet.session_label));
    setStyleSheet(QStringLiteral("QDialog { background: white; }"));
    resize(960, 600);

    auto* layout = new QVBoxLayout(this);
    if (sheet.only_fastest) {
        auto* note = new QLabel(QString::fromLatin1(kOnlyFastestNote) +
                                    QStringLiteral(" They are shown as points, not joined."),
                                this);
        note->setObjectName(QStringLiteral("OnlyFastestNote"));
        layout->addWidget(note);
    }
    chart_ = new LapChart(this);
    chart_->SetSeries(ChartSeriesOf(sheet));
    layout->addWidget(chart_, 1);
    if (sheet.drivers.empty()) {
        auto* none = new QLabel(QStringLiteral("No laps in this session."), this);
        none->setObjectName(QStringLiteral("NoLaps"));
        layout->addWidget(none);
    }
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void ShowLapChart(const Timesheet& sheet, QWidget* parent) {
    LapChartWindow window(sheet, parent);
    window.exec();
}

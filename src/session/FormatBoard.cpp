#include "FormatBoard.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <optional>

#include "ScreenWidgets.h"
#include "SessionRun.h"
#include "SessionScreenLayout.h"

namespace {
// Right of "Actual time:" and its clock (which ends near 840 at the design size),
// left of the banner's name (which starts near 1065). The flag takes the countdown's
// place once it is out, with the two lines the operator still needs beside it.
constexpr int kCountdownLeft = 880;
constexpr int kFlagLeft = 850;
constexpr int kTopBarFontSize = 24;
constexpr int kFlagInfoFontSize = 15;
constexpr int kPositionFontSize = 16;
constexpr int kFlagHeight = 40;
constexpr int kFlagWidth = 2 * kFlagHeight;
constexpr int kFlagInfoLeft = kFlagLeft + kFlagWidth + 8;

// Whole seconds rounded up, so 0:00 only when nothing is left.
QString MinutesSeconds(qint64 centiseconds, int minute_digits) {
    const qint64 seconds = (centiseconds + 99) / 100;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, minute_digits, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString CountdownText(const SessionRun& run, qint64 now) {
    if (const auto left = run.TimeLeft(now)) {
        return QStringLiteral("Time left: %1").arg(MinutesSeconds(*left, 2));
    }
    if (const auto laps = run.LapsToGo()) {
        return QStringLiteral("Laps to go: %1").arg(*laps);
    }
    return QString();
}

// The chequered flag: black and white squares with the word on a black band.
QPixmap FlagPicture(int width, int height) {
    constexpr int kSquare = 8;
    QPixmap picture(width, height);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y * kSquare < height; ++y) {
        for (int x = 0; x * kSquare < width; ++x) {
            if ((x + y) % 2 == 0) {
                painter.fillRect(x * kSquare, y * kSquare, kSquare, kSquare, Qt::black);
            }
        }
    }
    const QRect band(width / 6, height / 5, width * 2 / 3, height * 3 / 5);
    painter.fillRect(band, Qt::black);
    painter.setPen(Qt::white);
    painter.setFont(ArialFont(height * 2 / 5, true));
    painter.drawText(band, Qt::AlignCenter, QStringLiteral("FLAG"));
    return picture;
}
}  // namespace

FormatBoard::FormatBoard(QWidget* top_bar, const std::array<QWidget*, kSlotCount>& headers) {
    countdown_ =
        PlaceLabel(top_bar, QStringLiteral("FormatCountdown"), QStringLiteral("Laps to go: 9999"),
                   kCountdownLeft, 0, 0,
                   {kTopBarFontSize, Colours::kWhite, Qt::AlignLeft | Qt::AlignVCenter, true});
    countdown_->move(kCountdownLeft, (session_layout::kTopBarHeight - countdown_->height()) / 2);
    countdown_->setText(QString());
    flag_ = new QLabel(top_bar);
    flag_->setObjectName(QStringLiteral("FormatFlag"));
    flag_->setPixmap(FlagPicture(kFlagWidth, kFlagHeight));
    flag_->setGeometry(kFlagLeft, (session_layout::kTopBarHeight - kFlagHeight) / 2, kFlagWidth,
                       kFlagHeight);
    flag_->hide();
    const LabelStyle info_style{kFlagInfoFontSize, Colours::kWhite,
                                Qt::AlignLeft | Qt::AlignVCenter, true};
    const int info_top = session_layout::kTopBarHeight / 2;
    ends_in_ = PlaceLabel(top_bar, QStringLiteral("FormatEndsIn"), QStringLiteral("Ends in 3:00"),
                          kFlagInfoLeft, 0, 0, info_style);
    ends_in_->move(kFlagInfoLeft, info_top - ends_in_->height());
    finished_ = PlaceLabel(top_bar, QStringLiteral("FormatFinished"),
                           QStringLiteral("%1/%1 finished").arg(kSlotCount), kFlagInfoLeft,
                           info_top, 0, info_style);
    for (QLabel* info : {ends_in_, finished_}) {
        info->setText(QString());
        info->hide();
    }
    for (int s = 1; s <= kSlotCount; ++s) {
        QWidget* header = headers[size_t(s - 1)];
        QLabel* label =
            PlaceLabel(header, QStringLiteral("FormatPosition%1").arg(s), QStringLiteral("INVALID"),
                       0, 2, 0, {kPositionFontSize, Colours::kWhite, Qt::AlignRight, true});
        label->move(header->width() - label->width() - 6, 2);
        label->setText(QString());
        // A click on the header still opens the kart's settings.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        positions_[size_t(s - 1)] = label;
    }
}

void FormatBoard::Show(const SessionRun& run, qint64 now) {
    countdown_->setText(CountdownText(run, now));
    countdown_->setVisible(!run.flag_shown());
    flag_->setVisible(run.flag_shown());
    const std::optional<qint64> ends_in = run.EndsIn(now);
    ends_in_->setText(ends_in ? QStringLiteral("Ends in %1").arg(MinutesSeconds(*ends_in, 1))
                              : QString());
    ends_in_->setVisible(ends_in.has_value());
    finished_->setText(
        QStringLiteral("%1/%2 finished").arg(run.KartsFinished()).arg(run.KartsTakingPart()));
    finished_->setVisible(run.flag_shown());
    std::array<int, kSlotCount> position{};
    for (const Standing& standing : run.Standings()) {
        position[size_t(standing.slot - 1)] = standing.position;
    }
    for (int s = 1; s <= kSlotCount; ++s) {
        const int p = position[size_t(s - 1)];
        QString text = p > 0 ? QStringLiteral("P%1").arg(p) : QString();
        if (run.LastLapInvalid(s)) {
            text = QStringLiteral("INVALID");
        }
        positions_[size_t(s - 1)]->setText(text);
    }
}

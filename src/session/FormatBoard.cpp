#include "FormatBoard.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "ScreenWidgets.h"
#include "SessionRun.h"
#include "SessionScreenLayout.h"

namespace {
// Right of "Actual time:" and its clock (which ends near 840 at the design size),
// left of the banner's name. The flag takes the countdown's place once it is out:
// the countdown has nothing left to say then.
constexpr int kCountdownLeft = 880;
constexpr int kFlagLeft = kCountdownLeft;
constexpr int kTopBarFontSize = 24;
constexpr int kPositionFontSize = 16;
constexpr int kFlagHeight = 40;

QString CountdownText(const SessionRun& run, qint64 now) {
    if (const auto left = run.TimeLeft(now)) {
        const qint64 seconds = (*left + 99) / 100;  // 0:00 only when time is up
        return QStringLiteral("Time left: %1:%2")
            .arg(seconds / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    if (const auto laps = run.LapsToGo()) {
        return QStringLiteral("Laps to go: %1").arg(*laps);
    }
    return QString();
}

// The chequered flag: black and white squares with the word on a black band.
QPixmap FlagPicture(int height) {
    constexpr int kSquare = 8;
    const int width = 7 * height / 2;
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
    flag_->setPixmap(FlagPicture(kFlagHeight));
    flag_->setGeometry(kFlagLeft, (session_layout::kTopBarHeight - kFlagHeight) / 2,
                       flag_->pixmap().width(), kFlagHeight);
    flag_->hide();
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
    std::array<int, kSlotCount> position{};
    for (const Standing& standing : run.Standings()) {
        position[size_t(standing.slot - 1)] = standing.position;
    }
    for (int s = 1; s <= kSlotCount; ++s) {
        const int p = position[size_t(s - 1)];
        QString text = p > 0 ? QStringLiteral("P%1").arg(p) : QString();
        if (invalid_[size_t(s - 1)]) {
            text = QStringLiteral("INVALID");
        }
        positions_[size_t(s - 1)]->setText(text);
    }
}

void FormatBoard::MarkInvalidLap(int slot, bool invalid) {
    invalid_.at(size_t(slot - 1)) = invalid;
}

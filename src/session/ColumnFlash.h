#pragma once

#include <QTimer>
#include <QWidget>

// The sign a hand-timing key leaves on its kart's column: a short bright flash when
// the key was taken, a brief grey outline when it was refused. It lies over the top
// of the column (header to the last lap's gap), lets clicks through, and costs
// nothing while no sign is shown: one single-shot timer hides it.
class ColumnFlash : public QWidget {
    Q_OBJECT

  public:
    enum class Sign { kNone, kAccepted, kRefused };
    static constexpr int kAcceptedMs = 200;
    static constexpr int kRefusedMs = 250;

    ColumnFlash(QWidget* parent, const QRect& area);

    // Shows the sign, replacing one still shown, and hides it after its time.
    void Show(Sign sign);
    Sign sign() const { return sign_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer timer_;
    Sign sign_ = Sign::kNone;
};

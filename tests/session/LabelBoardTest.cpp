#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>

#include "LabelBoard.h"
#include "LiveLabel.h"
#include "ScreenWidgets.h"

namespace {

constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

struct Texts {
    const char* time = "00:19:54";
    const char* rpm = "7053";
    const char* lap = "L:04";
    Colour time_colour = Colours::kWhite;
    bool rpm_shown = true;
};

// A panel laid out like the top of a kart column: a running time with the engine
// speed over its lower half (the overlap decides what the later label's background
// hides), a lap number to the left, and a gap below.
struct Column {
    QWidget panel;
    LiveLabel* time = nullptr;
    LiveLabel* rpm = nullptr;
    LiveLabel* lap = nullptr;
    LiveLabel* gap = nullptr;

    explicit Column(const Texts& texts) {
        SetBackground(&panel, Colours::kBlack);
        panel.resize(260, 130);
        lap = PlaceLabel<LiveLabel>(&panel, QStringLiteral("lap"), QString(), 6, 20, 58, {27});
        time = PlaceLabel<LiveLabel>(&panel, QStringLiteral("time"), QString(), 72, 21, 106,
                                     {27, texts.time_colour, kRight});
        rpm = PlaceLabel<LiveLabel>(&panel, QStringLiteral("rpm"), QString(), 26, 38, 157,
                                    {21, Colours::kWhite, kRight});
        gap = PlaceLabel<LiveLabel>(&panel, QStringLiteral("gap"), QString(), 100, 69, 150,
                                    {35, Colours::kLime, Qt::AlignLeft | Qt::AlignVCenter});
        time->setText(QString::fromLatin1(texts.time));
        rpm->setText(QString::fromLatin1(texts.rpm));
        lap->setText(QString::fromLatin1(texts.lap));
        gap->setText(QStringLiteral("-00:21"));
        rpm->setVisible(texts.rpm_shown);
    }
    std::vector<LiveLabel*> labels() const { return {lap, time, rpm, gap}; }
};

QImage Picture(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The labels as they paint themselves, cut to where the board would lie.
QImage WithoutBoard(const Texts& texts, const QRect& area) {
    Column column(texts);
    return Picture(column.panel).copy(area);
}

// Paint events of a widget, with the region of each.
class PaintLog : public QObject {
  public:
    explicit PaintLog(QWidget* widget) { widget->installEventFilter(this); }
    QList<QRegion> regions;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            regions.append(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
};

}  // namespace

// The board paints, on its own, pixel for pixel what the labels would paint
// themselves: in their stacking order, cut at their edges, in their colours, and the
// panel where a label is hidden; also after new texts, a new colour and a label shown
// again.
TEST(LabelBoard, PaintsItsLabelsAsTheyWouldPaintThemselves) {
    Column column{Texts{}};
    auto* board = new LabelBoard(&column.panel);
    board->Host(column.labels());
    QRect around;
    for (const LiveLabel* label : column.labels()) {
        around |= label->geometry();
    }
    ASSERT_EQ(board->geometry(), around);
    EXPECT_EQ(Picture(*board), WithoutBoard(Texts{}, around));

    Texts changed;
    changed.time = "00:19:55";
    changed.rpm = "11";
    changed.lap = "L:123";
    changed.time_colour = Colours::kRed;
    changed.rpm_shown = false;
    SetLabelText(column.time, QString::fromLatin1(changed.time));
    SetLabelText(column.rpm, QString::fromLatin1(changed.rpm));
    SetFittedText(column.lap, QString::fromLatin1(changed.lap), 27);
    SetLabelColour(column.time, changed.time_colour);
    column.rpm->hide();
    Column reference(changed);
    // The wider lap number took a smaller font to fit its room.
    EXPECT_LT(column.lap->font().pixelSize(), 27);
    reference.lap->setFont(column.lap->font());
    EXPECT_EQ(Picture(*board), Picture(reference.panel).copy(around));

    column.rpm->show();
    changed.rpm_shown = true;
    Column shown_again(changed);
    shown_again.lap->setFont(column.lap->font());
    EXPECT_EQ(Picture(*board), Picture(shown_again.panel).copy(around));
}

// A new text repaints the board where its pixels changed, the labels themselves are
// not painted, and the board lets clicks through to the labels under it.
TEST(LabelBoard, RepaintsOnlyWhatANewTextChanges) {
    Column column{Texts{}};
    auto* board = new LabelBoard(&column.panel);
    board->Host(column.labels());
    column.panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&column.panel));
    QCoreApplication::processEvents();
    PaintLog on_board(board);
    PaintLog on_time(column.time);
    const QRect time_on_board = column.time->geometry().translated(-board->pos());
    auto repaint = [&] {
        on_board.regions.clear();
        QTest::qWait(20);
        return on_board.regions;
    };

    SetLabelText(column.time, QStringLiteral("00:19:54"));
    EXPECT_TRUE(repaint().isEmpty());  // the same text

    // One digit: its picture's room, within the label, not the whole label.
    SetLabelText(column.time, QStringLiteral("00:19:55"));
    QList<QRegion> painted = repaint();
    ASSERT_EQ(painted.size(), 1);
    const QRect digit = painted[0].boundingRect();
    EXPECT_TRUE(time_on_board.contains(digit));
    EXPECT_EQ(digit.right(), time_on_board.right());
    EXPECT_LT(digit.width(), time_on_board.width() / 2);
    EXPECT_EQ(digit.height(), time_on_board.height());

    // Changes far apart before the next paint: both in one paint, not the room
    // between them.
    SetLabelText(column.time, QStringLiteral("00:19:56"));
    SetLabelText(column.gap, QStringLiteral("+00:21"));
    painted = repaint();
    ASSERT_EQ(painted.size(), 1);
    const QRect gap_on_board = column.gap->geometry().translated(-board->pos());
    EXPECT_TRUE(painted[0].contains(digit));
    EXPECT_TRUE(painted[0].intersects(gap_on_board));
    EXPECT_FALSE(painted[0].contains(QPoint(time_on_board.left(), gap_on_board.top() - 1)));

    // A longer text moves every character.
    SetLabelText(column.time, QStringLiteral("100:19:55"));
    painted = repaint();
    ASSERT_EQ(painted.size(), 1);
    EXPECT_EQ(painted[0].boundingRect(), time_on_board);

    // Hiding a label repaints its room on the board with the panel.
    column.rpm->hide();
    painted = repaint();
    ASSERT_EQ(painted.size(), 1);
    EXPECT_TRUE(painted[0].contains(column.rpm->geometry().translated(-board->pos())));
    EXPECT_TRUE(on_time.regions.isEmpty());

    // What reached the window bit by bit is what a full paint of it shows.
    for (const char* text : {"00:20:01", "00:20:19", "9:59:99"}) {
        SetLabelText(column.time, QString::fromLatin1(text));
        SetLabelText(column.rpm, QString::fromLatin1(text).left(4));
        repaint();
    }
    column.rpm->show();
    repaint();
    const QImage on_screen = column.panel.screen()
                                 ->grabWindow(column.panel.winId())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(on_screen, Picture(column.panel));

    for (const LiveLabel* label : {column.time, column.gap, column.lap}) {
        EXPECT_EQ(column.panel.childAt(label->geometry().center()), label)
            << label->objectName().toStdString();
    }
}

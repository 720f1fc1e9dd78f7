#include <gtest/gtest.h>

#include <QImage>

#include "LiveLabel.h"
#include "ScreenWidgets.h"

namespace {

QImage Render(QLabel& label) {
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of the picture that are mostly the given colour.
int PixelsNear(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) < 60 &&
                             std::abs(pixel.green() - colour.green()) < 60 &&
                             std::abs(pixel.blue() - colour.blue()) < 60
                         ? 1
                         : 0;
        }
    }
    return count;
}

// The box around the pixels brighter than half, where the text's ink is.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) > 128) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

}  // namespace

// The character pictures put the text where QLabel puts it, for each alignment,
// and follow a change of colour or size.
TEST(LiveLabel, PaintsAsAPlainLabelDoes) {
    QWidget panel;
    SetBackground(&panel, Colours::kBlack);
    panel.resize(400, 100);
    const Qt::Alignment alignments[] = {Qt::AlignRight | Qt::AlignVCenter,
                                        Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter};
    for (const Qt::Alignment alignment : alignments) {
        auto* plain = PlaceLabel<QLabel>(&panel, QStringLiteral("plain"), QString(), 0, 0, 143,
                                         {27, Colours::kWhite, alignment});
        auto* live = PlaceLabel<LiveLabel>(&panel, QStringLiteral("live"), QString(), 0, 40, 143,
                                           {27, Colours::kWhite, alignment});
        for (const char* text : {"00:19:54", "L:123", "+01:50", "-20,0", "125:00:00"}) {
            SCOPED_TRACE(text);
            plain->setText(QString::fromLatin1(text));
            live->setText(QString::fromLatin1(text));
            const QImage expected = Render(*plain);
            const QImage shown = Render(*live);
            ASSERT_EQ(shown.size(), expected.size());
            EXPECT_GT(PixelsNear(shown, Qt::white), 40);
            // Glyphs land on whole pixels here, QLabel's may fall between two.
            const QRect ink = InkBox(shown);
            const QRect expected_ink = InkBox(expected);
            EXPECT_LE(std::abs(ink.left() - expected_ink.left()), 1);
            EXPECT_LE(std::abs(ink.right() - expected_ink.right()), 1);
            EXPECT_LE(std::abs(ink.top() - expected_ink.top()), 1);
            EXPECT_LE(std::abs(ink.bottom() - expected_ink.bottom()), 1);
            EXPECT_NEAR(PixelsNear(shown, Qt::white), PixelsNear(expected, Qt::white),
                        PixelsNear(expected, Qt::white) / 10);
        }
        SetLabelColour(live, Colours::kRed);
        const QImage red = Render(*live);
        EXPECT_GT(PixelsNear(red, Qt::red), 40);
        EXPECT_EQ(PixelsNear(red, Qt::white), 0);
        // Back to white, and a size there and back: each change is drawn in its own
        // colour and size, not from the pictures of the one before.
        SetLabelColour(live, Colours::kWhite);
        const QImage white = Render(*live);
        EXPECT_EQ(PixelsNear(white, Qt::red), 0);
        EXPECT_GT(PixelsNear(white, Qt::white), 40);
        QFont font = live->font();
        font.setPixelSize(20);
        live->setFont(font);
        const QImage smaller = Render(*live);
        EXPECT_LT(InkBox(smaller).height(), InkBox(white).height());
        font.setPixelSize(27);
        live->setFont(font);
        EXPECT_EQ(Render(*live), white);
        delete plain;
        delete live;
    }
}

// The label is opaque and paints its background itself in its palette's window
// colour, which it takes from the panel under it: with or without text, every
// pixel away from the ink is the panel's colour, and Qt is left nothing to fill.
TEST(LiveLabel, FillsItsOwnBackgroundInThePanelColour) {
    QWidget panel;
    SetBackground(&panel, Colours::kNavy);
    panel.resize(200, 60);
    auto* live = PlaceLabel<LiveLabel>(&panel, QStringLiteral("live"), QString(), 0, 0, 143,
                                       {27, Colours::kWhite, Qt::AlignRight | Qt::AlignVCenter});
    MakeLiveLabel(live, QStringLiteral("Running time"));
    EXPECT_TRUE(live->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_FALSE(live->autoFillBackground());
    const QColor navy = ToQColor(Colours::kNavy);

    for (const char* text : {"", "00:19:54"}) {
        SCOPED_TRACE(text);
        live->setText(QString::fromLatin1(text));
        const QImage shown = Render(*live);
        const QRect ink = InkBox(shown);
        int other = 0;
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                if (ink.isValid() && ink.adjusted(-1, -1, 1, 1).contains(x, y)) {
                    continue;
                }
                other += shown.pixelColor(x, y) != navy ? 1 : 0;
            }
        }
        EXPECT_EQ(other, 0);
        EXPECT_EQ(ink.isValid(), *text != '\0');
    }
}

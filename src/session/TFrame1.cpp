#include "TFrame1.h"

#include <QLabel>

#include "LiveLabel.h"
#include "ScreenWidgets.h"

namespace {

struct Pair {
    const char* caption;
    const char* design_value;
    int caption_top;
    int value_top;
};

constexpr std::array<Pair, TFrame1::kValues> kPairs = {{
    {"Temp 1", "0,00", -1, 39},
    {"Temp 2", "0,00", 79, 119},
    {"Temp 3", "0,00", 159, 199},
    {"RPM max", "12000", 231, 271},
    {"RPM min", "12000", 311, 351},
}};

constexpr int kDesignWidth = 151;
constexpr int kHeight = 396;
constexpr int kFontSize = 32;

}  // namespace

TFrame1::TFrame1(QWidget* parent, Colour caption_colour) : QFrame(parent) {
    SetBackground(this, Colours::kBlack);
    resize(kDesignWidth, kHeight);
    const LabelStyle caption_style{kFontSize, caption_colour, Qt::AlignRight | Qt::AlignVCenter};
    const LabelStyle value_style{kFontSize, Colours::kWhite, Qt::AlignRight | Qt::AlignVCenter};
    for (size_t i = 0; i < kPairs.size(); ++i) {
        const int number = int(2 * i) + 1;
        QLabel* caption = PlaceLabel(this, QStringLiteral("Label%1").arg(number),
                                     QString::fromUtf8(kPairs[i].caption), 0, kPairs[i].caption_top,
                                     kDesignWidth - 4, caption_style);
        captions_[i] = caption;
        auto* value = PlaceLabel<LiveLabel>(this, QStringLiteral("Label%1").arg(number + 1),
                                            QString::fromUtf8(kPairs[i].design_value), 0,
                                            kPairs[i].value_top, kDesignWidth - 4, value_style);
        MakeLiveLabel(value, QString::fromUtf8(kPairs[i].caption));
        values_[i] = value;
    }
}

void TFrame1::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    for (QLabel* label : captions_) {
        label->resize(width() - 4, label->height());
    }
    for (QLabel* label : values_) {
        label->setFixedWidth(width() - 4);
    }
}

#include "TfNowyTekst.h"

#include <QColorDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <array>

#include "ColourSwatch.h"
#include "LimitedLineEdit.h"
#include "WindowLook.h"

namespace {

constexpr int kTypedLineLength = 12;
constexpr int kLeft = 16;
constexpr int kSwatchWidth = 356;
constexpr int kSwatchHeight = 53;

}  // namespace

TfNowyTekst::TfNowyTekst(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fNowyTekst"));
    setWindowTitle(QStringLiteral("Message"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(ArialPixels(21));

    struct LineField {
        const char* name;
        int top;
        LimitedLineEdit** field;
    };
    const std::array<LineField, 2> lines = {{{"Edit1", 16, &edit1_}, {"Edit3", 56, &edit3_}}};
    for (const LineField& line : lines) {
        auto* edit = new LimitedLineEdit(kTypedLineLength, LimitedLineEdit::Case::Capitals, this);
        edit->setObjectName(QString::fromUtf8(line.name));
        edit->setGeometry(kLeft, line.top, kSwatchWidth, 34);
        *line.field = edit;
    }

    struct SwatchPlace {
        const char* name;
        const char* caption;
        int top;
        ColourSwatch** swatch;
        Colour colour;
    };
    const std::array<SwatchPlace, 2> swatches = {{
        {"Panel1", "Background color:", 104, &panel1_, Colours::kBlack},
        {"Panel2", "Font color:", 192, &panel2_, Colours::kWhite},
    }};
    for (const SwatchPlace& place : swatches) {
        auto* label = new QLabel(QString::fromUtf8(place.caption), this);
        label->setGeometry(kLeft, place.top, kSwatchWidth, 26);
        auto* swatch = new ColourSwatch(this);
        swatch->setObjectName(QString::fromUtf8(place.name));
        swatch->setGeometry(kLeft, place.top + 28, kSwatchWidth, kSwatchHeight);
        swatch->setColour(place.colour);
        *place.swatch = swatch;
    }
    connect(panel1_, &ColourSwatch::clicked, this, &TfNowyTekst::Panel1Click);
    connect(panel2_, &ColourSwatch::clicked, this, &TfNowyTekst::Panel2Click);

    struct ButtonPlace {
        const char* name;
        const char* caption;
        int left;
        void (TfNowyTekst::*handler)();
    };
    const std::array<ButtonPlace, 2> buttons = {{
        {"SpeedButton3", "OK", kLeft, &TfNowyTekst::SpeedButton3Click},
        {"SpeedButton4", "Cancel", kLeft + 188, &TfNowyTekst::SpeedButton4Click},
    }};
    for (const ButtonPlace& place : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(place.caption), this);
        button->setObjectName(QString::fromUtf8(place.name));
        button->setGeometry(place.left, 290, 168, 44);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, place.handler);
    }

    setFixedSize(kSwatchWidth + 2 * kLeft, 350);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    choose_colour = [this](Colour initial) { return ChooseWithColorDialog(initial); };
}

void TfNowyTekst::SetValues(const QString& line1, const QString& line2, Colour background,
                            Colour font) {
    edit1_->setText(line1);
    edit3_->setText(line2);
    panel1_->setColour(background);
    panel2_->setColour(font);
}

QString TfNowyTekst::line1() const {
    return edit1_->text();
}
QString TfNowyTekst::line2() const {
    return edit3_->text();
}
Colour TfNowyTekst::background() const {
    return panel1_->colour();
}
Colour TfNowyTekst::font_colour() const {
    return panel2_->colour();
}

void TfNowyTekst::SpeedButton3Click() {
    result_ = true;
    accept();
}

void TfNowyTekst::SpeedButton4Click() {
    result_ = false;
    reject();
}

void TfNowyTekst::Panel1Click() {
    ChooseInto(panel1_);
}
void TfNowyTekst::Panel2Click() {
    ChooseInto(panel2_);
}

void TfNowyTekst::ChooseInto(ColourSwatch* swatch) {
    const std::optional<Colour> chosen = choose_colour(last_chosen_);
    if (!chosen) {
        return;
    }
    last_chosen_ = *chosen;
    swatch->setColour(*chosen);
}

std::optional<Colour> TfNowyTekst::ChooseWithColorDialog(Colour initial) {
    if (color_dialog1_ == nullptr) {
        color_dialog1_ = new QColorDialog(this);
        color_dialog1_->setObjectName(QStringLiteral("ColorDialog1"));
    }
    color_dialog1_->setCurrentColor(ToQColor(initial));
    if (color_dialog1_->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return FromQColor(color_dialog1_->selectedColor());
}

bool EditMessage(QString& line1, QString& line2, Colour& background, Colour& font,
                 QWidget* parent) {
    TfNowyTekst dialog(parent);
    dialog.SetValues(line1, line2, background, font);
    dialog.exec();
    line1 = dialog.line1();
    line2 = dialog.line2();
    background = dialog.background();
    font = dialog.font_colour();
    return dialog.result_flag();
}

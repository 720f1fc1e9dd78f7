#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "Colour.h"

class QColorDialog;
class QPushButton;
class ColourSwatch;
class LimitedLineEdit;

// The "Message" editor: two display lines (typed in capitals, 12 characters), a
// background and a text colour. It stores nothing; EditMessage hands the values in
// and takes them back.
class TfNowyTekst : public QDialog {
    Q_OBJECT

  public:
    explicit TfNowyTekst(QWidget* parent = nullptr);

    void SetValues(const QString& line1, const QString& line2, Colour background, Colour font);
    QString line1() const;
    QString line2() const;
    Colour background() const;
    Colour font_colour() const;
    bool result_flag() const { return result_; }

    // Opens the colour chooser on `initial`; gives the colour the operator confirmed,
    // or nothing when the chooser was cancelled. Tests put their own chooser here.
    std::function<std::optional<Colour>(Colour initial)> choose_colour;

  public slots:
    void SpeedButton3Click();  // "OK"
    void SpeedButton4Click();  // "Cancel"
    void Panel1Click();
    void Panel2Click();

  private:
    std::optional<Colour> ChooseWithColorDialog(Colour initial);
    void ChooseInto(ColourSwatch* swatch);

    bool result_ = false;
    Colour last_chosen_ = Colours::kBlack;  // where the chooser opens next
    LimitedLineEdit* edit1_ = nullptr;
    LimitedLineEdit* edit3_ = nullptr;
    ColourSwatch* panel1_ = nullptr;
    ColourSwatch* panel2_ = nullptr;
    QColorDialog* color_dialog1_ = nullptr;  // one chooser for both swatches, made on first use
};

// Runs the editor on the four values, gives back what the dialog holds whichever
// way it closed, and returns true only for "OK".
bool EditMessage(QString& line1, QString& line2, Colour& background, Colour& font,
                 QWidget* parent = nullptr);

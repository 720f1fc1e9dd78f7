#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "ColourSwatch.h"
#include "LimitedLineEdit.h"
#include "ModalHelpers.h"
#include "TfNowyTekst.h"

TEST(MessageEditor, TypingGivesCapitalsAndStopsAtTwelveButPassedInLinesStayWhole) {
    QString line1 = QStringLiteral("FIFTEEN CHARS!!");
    QString line2;
    Colour background = 0x123456;
    Colour font = 0x654321;
    AnswerNextModal<TfNowyTekst>([](TfNowyTekst* dialog) {
        auto* edit1 = Child<LimitedLineEdit>(dialog, "Edit1");
        auto* edit3 = Child<LimitedLineEdit>(dialog, "Edit3");
        EXPECT_EQ(edit1->text(), "FIFTEEN CHARS!!");
        EXPECT_EQ(Child<ColourSwatch>(dialog, "Panel1")->colour(), 0x123456u);
        EXPECT_EQ(Child<ColourSwatch>(dialog, "Panel1")->size(), QSize(356, 53));
        QTest::keyClicks(edit1, "x");  // already past the limit: nothing more goes in
        QTest::keyClick(edit1, Qt::Key_Backspace);
        QTest::keyClicks(edit3, "box box, pit now");
        QTest::mouseClick(Child<QPushButton>(dialog, "SpeedButton3"), Qt::LeftButton);
    });
    EXPECT_TRUE(EditMessage(line1, line2, background, font));
    EXPECT_EQ(line1, "FIFTEEN CHARS!");
    EXPECT_EQ(line2, "BOX BOX, PIT");
    EXPECT_EQ(background, 0x123456u);
    EXPECT_EQ(font, 0x654321u);
}

TEST(MessageEditor, CancelAndCloseBoxReturnFalseWithTheEditedValues) {
    for (const bool close_box : {false, true}) {
        QString line1 = QStringLiteral("OLD");
        QString line2 = QStringLiteral("OLD 2");
        Colour background = 0;
        Colour font = Colours::kWhite;
        AnswerNextModal<TfNowyTekst>([close_box](TfNowyTekst* dialog) {
            QTest::keyClicks(Child<LimitedLineEdit>(dialog, "Edit1"), "new");
            if (close_box) {
                dialog->close();
            } else {
                QTest::mouseClick(Child<QPushButton>(dialog, "SpeedButton4"), Qt::LeftButton);
            }
        });
        EXPECT_FALSE(EditMessage(line1, line2, background, font)) << close_box;
        EXPECT_EQ(line1, "OLDNEW");  // given back whichever way it closed
        EXPECT_EQ(line2, "OLD 2");
    }
}

TEST(MessageEditor, ChooserOpensOnTheLastChosenColourAndCancelKeepsTheSwatch) {
    TfNowyTekst dialog;
    dialog.SetValues("", "", Colours::kBlack, Colours::kWhite);
    std::vector<Colour> offered;
    std::vector<std::optional<Colour>> answers = {Colours::kRed, std::nullopt, 0x00FF00};
    dialog.choose_colour = [&](Colour initial) {
        offered.push_back(initial);
        const std::optional<Colour> answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    };
    auto* panel1 = Child<ColourSwatch>(&dialog, "Panel1");
    auto* panel2 = Child<ColourSwatch>(&dialog, "Panel2");
    dialog.show();
    QTest::mouseClick(panel1, Qt::LeftButton);
    QTest::mouseClick(panel2, Qt::LeftButton);  // cancelled
    EXPECT_EQ(panel2->colour(), Colours::kWhite);
    QTest::mouseClick(panel2, Qt::LeftButton);
    EXPECT_EQ(offered, (std::vector<Colour>{Colours::kBlack, Colours::kRed, Colours::kRed}));
    EXPECT_EQ(dialog.background(), Colours::kRed);
    EXPECT_EQ(dialog.font_colour(), 0x00FF00u);
}

TEST(MessageEditor, OnlyTypedLettersBecomeCapitalsAndTheLimitCountsTheCapitals) {
    // A line the caller passed in keeps its case, also around a typed letter.
    LimitedLineEdit edit(12, LimitedLineEdit::Case::Capitals);
    edit.setText(QStringLiteral("box"));
    edit.show();
    QTest::keyClicks(&edit, "a");
    EXPECT_EQ(edit.text(), "boxA");
    edit.setCursorPosition(1);
    QTest::keyClicks(&edit, "o");
    EXPECT_EQ(edit.text(), "bOoxA");
    EXPECT_EQ(edit.cursorPosition(), 2);

    // "ß" types as "SS"; eleven letters leave room for one more, not for both.
    LimitedLineEdit street(12, LimitedLineEdit::Case::Capitals);
    street.show();
    QTest::keyClicks(&street, QStringLiteral("stra\u00dfe"));
    EXPECT_EQ(street.text(), "STRASSE");
    QTest::keyClicks(&street, QStringLiteral("nbah\u00df"));
    EXPECT_EQ(street.text(), "STRASSENBAH");
    QTest::keyClicks(&street, QStringLiteral("\u00dfn"));
    EXPECT_EQ(street.text(), "STRASSENBAHN");
    QTest::keyClicks(&street, QStringLiteral("x"));
    EXPECT_EQ(street.text(), "STRASSENBAHN");
    EXPECT_EQ(street.text().size(), 12);
}

TEST(MessageEditor, ALowerCaseLineFromTheCallerComesBackAsItWasWithTheTypedCapitals) {
    QString line1 = QStringLiteral("pit in");
    QString line2 = QStringLiteral("lap");
    Colour background = 0;
    Colour font = Colours::kWhite;
    AnswerNextModal<TfNowyTekst>([](TfNowyTekst* dialog) {
        QTest::keyClicks(Child<LimitedLineEdit>(dialog, "Edit1"), "!");
        QTest::keyClicks(Child<LimitedLineEdit>(dialog, "Edit3"), " 5 gro\u00df");
        QTest::mouseClick(Child<QPushButton>(dialog, "SpeedButton3"), Qt::LeftButton);
    });
    EXPECT_TRUE(EditMessage(line1, line2, background, font));
    EXPECT_EQ(line1, "pit in!");
    EXPECT_EQ(line2, "lap 5 GROSS");
}

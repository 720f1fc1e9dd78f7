#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "FakeClock.h"
#include "MarkupCheck.h"
#include "MessageRow.h"
#include "ModalHelpers.h"
#include "TempFolder.h"
#include "Tflistakomunikatow.h"

namespace {

struct ListFixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};

    void WriteMessages(int count) {
        QByteArray text = "[Parametry]\r\nmCount=" + QByteArray::number(count) + "\r\n";
        for (int n = 1; n <= count; ++n) {
            text += "m" + QByteArray::number(n) + "L1=MSG " + QByteArray::number(n) + "\r\n";
        }
        folder.Write("messages.ini", text);
    }
};

void ClickListButton(QWidget* window, const char* name) {
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

QString CurrentLine(const Tflistakomunikatow& window) {
    return window.table().current_row().linia1;
}

}  // namespace

TEST(MessageList, AddNewSkipsBlankMessagesAndKeepsOthersUntrimmed) {
    ListFixture f;
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    std::vector<std::pair<QString, QString>> answers = {{"  ", "\t"}, {"", " GO "}};
    std::vector<Colour> offered;
    window.edit_message = [&](QString& line1, QString& line2, Colour& background, Colour& font) {
        offered.push_back(background);
        offered.push_back(font);
        std::tie(line1, line2) = answers.front();
        answers.erase(answers.begin());
        background = 0x0000FF;
        return true;
    };
    window.show();
    ClickListButton(&window, "Button2");
    EXPECT_EQ(window.table().count(), 0);
    ClickListButton(&window, "Button2");
    ASSERT_EQ(window.table().count(), 1);
    EXPECT_EQ(window.table().row(0).linia2.str(), " GO ");
    EXPECT_EQ(window.table().row(0).kolortla, 0x0000FFu);
    // A new message starts as white text on black.
    EXPECT_EQ(offered, (std::vector<Colour>{0, 0xFFFFFF, 0, 0xFFFFFF}));
    auto* row1 = Child<MessageRow>(&window, "Row1");
    EXPECT_TRUE(row1->isVisible());
    EXPECT_FALSE(Child<MessageRow>(&window, "Row2")->isVisible());

    ClickListButton(&window, "Button1");  // CLOSE saves
    EXPECT_TRUE(f.folder.Read("messages.ini").endsWith("m1ColorF=16777215\r\nmCount=1\r\n"));
}

TEST(MessageList, DeletingTheLastRowSelectsThePrecedingAndIsSaved) {
    ListFixture f;
    f.WriteMessages(3);
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.show();
    EXPECT_EQ(CurrentLine(window), "MSG 3");  // opens on the last message
    ClickListButton(&window, "Button5");
    ASSERT_EQ(window.table().count(), 2);
    EXPECT_EQ(CurrentLine(window), "MSG 2");
    window.close();  // the close box saves too
    EXPECT_TRUE(f.folder.Read("messages.ini").contains("mCount=2\r\n"));
    EXPECT_TRUE(f.folder.Read("messages.ini").contains("m3L1=MSG 3\r\n"));
    EXPECT_EQ(LoadMessages(f.station).size(), 2u);
}

TEST(MessageList, DeletingInTheMiddleSelectsTheFollowingAndAnEmptyListIgnoresEverything) {
    ListFixture f;
    f.WriteMessages(3);
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.show();
    int edits = 0;
    window.edit_message = [&](QString&, QString&, Colour&, Colour&) { return ++edits, false; };
    QTest::mouseClick(Child<MessageRow>(&window, "Row2"), Qt::LeftButton);
    EXPECT_EQ(edits, 1);
    ClickListButton(&window, "Button5");
    EXPECT_EQ(CurrentLine(window), "MSG 3");
    ClickListButton(&window, "Button5");
    ClickListButton(&window, "Button5");
    EXPECT_EQ(window.table().count(), 0);
    for (const char* button : {"Button5", "Button3", "Button4"}) {
        ClickListButton(&window, button);
    }
    window.DBText1Click(0);
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(window.table().current(), -1);
}

TEST(MessageList, NextAndPrevStepSixRowsAndStopAtTheEnds) {
    ListFixture f;
    f.WriteMessages(8);
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.show();
    ClickListButton(&window, "Button4");
    ClickListButton(&window, "Button4");
    EXPECT_EQ(CurrentLine(window), "MSG 1");
    EXPECT_EQ(Child<QLabel>(Child<MessageRow>(&window, "Row1"), "DBText1")->text(), "MSG 1");
    ClickListButton(&window, "Button3");
    EXPECT_EQ(CurrentLine(window), "MSG 7");
    ClickListButton(&window, "Button3");
    EXPECT_EQ(CurrentLine(window), "MSG 8");
    ClickListButton(&window, "Button3");
    EXPECT_EQ(CurrentLine(window), "MSG 8");
    EXPECT_EQ(Child<QLabel>(Child<MessageRow>(&window, "Row6"), "DBText1")->text(), "MSG 8");
    ClickListButton(&window, "Button4");
    EXPECT_EQ(CurrentLine(window), "MSG 2");

    // Editing a clicked row replaces it in its place, even with both lines blank.
    window.edit_message = [](QString& line1, QString& line2, Colour& background, Colour&) {
        EXPECT_EQ(line1, "MSG 3");
        line1.clear();
        line2.clear();
        background = 0x00FF00;
        return true;
    };
    QTest::mouseClick(Child<MessageRow>(&window, "Row2"), Qt::LeftButton);  // page starts at MSG 2
    EXPECT_EQ(window.table().current(), 2);
    EXPECT_EQ(window.table().row(2).linia1.str(), "");
    EXPECT_EQ(window.table().row(2).kolortla, 0x00FF00u);
    EXPECT_EQ(window.table().row(3).linia1.str(), "MSG 4");
}

TEST(MessageList, PickModeReturnsTheClickedMessageOrFalseOnClose) {
    ListFixture f;
    f.folder.Write("messages.ini",
                   "[Parametry]\r\nmCount=2\r\nm1L1=BOX\r\nm1L2=NOW\r\nm1ColorB=255\r\n"
                   "m1ColorF=65280\r\nm2L1=SLOW\r\n");
    for (const char* how : {"CLOSE", "close box"}) {
        QString line1 = QStringLiteral("x");
        QString line2 = QStringLiteral("y");
        Colour background = 7;
        Colour font = 7;
        AnswerNextModal<Tflistakomunikatow>([how](Tflistakomunikatow* window) {
            if (QString::fromUtf8(how) == "CLOSE") {
                ClickListButton(window, "Button1");
            } else {
                window->close();
            }
        });
        EXPECT_FALSE(PickMessage(f.station, line1, line2, background, font)) << how;
        EXPECT_EQ(line1, "");
        EXPECT_EQ(background, 0u);
    }

    QString line1, line2;
    Colour background = 0;
    Colour font = 0;
    AnswerNextModal<Tflistakomunikatow>([](Tflistakomunikatow* window) {
        QTest::mouseClick(Child<MessageRow>(window, "Row1"), Qt::LeftButton);
    });
    EXPECT_TRUE(PickMessage(f.station, line1, line2, background, font));
    EXPECT_EQ(line1, "BOX");
    EXPECT_EQ(line2, "NOW");
    EXPECT_EQ(background, 0x0000FFu);
    EXPECT_EQ(font, 0x00FF00u);
    EXPECT_TRUE(f.folder.Read("messages.ini").contains("m2ColorB=16777215"));  // saved in pick mode
}

TEST(MessageList, UnwritableFileKeepsTheWindowOpenUntilItCanBeSaved) {
    ListFixture f;
    ASSERT_TRUE(QDir().mkpath(f.folder.file("messages.ini")));
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.edit_message = [](QString& line1, QString&, Colour&, Colour&) {
        line1 = QStringLiteral("KEEP ME");
        return true;
    };
    window.show();
    ClickListButton(&window, "Button2");

    QString shown;
    AnswerNextModal<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->button(QMessageBox::Cancel)->click();
    });
    ClickListButton(&window, "Button1");
    EXPECT_TRUE(shown.contains("messages.ini")) << shown.toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.table().count(), 1);

    ASSERT_TRUE(QDir(f.folder.file("messages.ini")).removeRecursively());
    ClickListButton(&window, "Button1");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(f.folder.Read("messages.ini").contains("m1L1=KEEP ME\r\n"));
}

TEST(MessageList, OnlyThePanelInsideTheFivePixelMarginTakesClicks) {
    ListFixture f;
    f.WriteMessages(1);
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    int edits = 0;
    window.edit_message = [&](QString&, QString&, Colour&, Colour&) {
        ++edits;
        return false;
    };
    window.show();
    auto* row = Child<MessageRow>(&window, "Row1");
    const int right = row->width() - 1;
    const int bottom = row->height() - 1;
    ASSERT_EQ(row->height(), 85);
    // The margin is pixels 0..4 from each edge; the panel starts at the fifth.
    const QPoint margin[] = {{0, 40},  {4, 40},  {right - 4, 40},   {right, 40},
                             {100, 0}, {100, 4}, {100, bottom - 4}, {100, bottom}};
    for (const QPoint& at : margin) {
        QTest::mouseClick(row, Qt::LeftButton, {}, at);
        EXPECT_EQ(edits, 0) << at.x() << "," << at.y();
    }
    const QPoint panel[] = {{5, 40}, {right - 5, 40}, {100, 5}, {100, bottom - 5}};
    for (const QPoint& at : panel) {
        QTest::mouseClick(row, Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(edits, 4);
    // Both lines respond as well.
    for (const char* line : {"DBText1", "DBText2"}) {
        QTest::mouseClick(Child<QLabel>(row, line), Qt::LeftButton);
    }
    EXPECT_EQ(edits, 6);
}

TEST(MessageList, LinesAreShownAsTheDashboardWillShowThemNotAsMarkup) {
    ListFixture f;
    f.folder.Write("messages.ini",
                   "[Parametry]\r\nmCount=2\r\nm1L1=<U>X</U>\r\nm1L2=<IMG SRC=A>\r\n"
                   "m2L1=PIT <B>IN</B>\r\n");
    Tflistakomunikatow window(f.station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.show();
    auto* row1 = Child<MessageRow>(&window, "Row1");
    EXPECT_EQ(Child<QLabel>(row1, "DBText1")->text(), "<U>X</U>");
    EXPECT_EQ(Child<QLabel>(row1, "DBText2")->text(), "<IMG SRC=A>");
    EXPECT_EQ(LabelsReadingMarkup(window), QStringList());
}

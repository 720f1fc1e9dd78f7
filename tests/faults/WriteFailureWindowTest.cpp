#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "DiskFull.h"
#include "FakeClock.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tflistakomunikatow.h"

// A full disk as the operator meets it: the window tells, once per attempt, and
// the earlier file stays until a write can complete.
namespace {

// Answers the message box that the next modal run opens; counts the boxes seen.
struct BoxAnswer {
    int boxes = 0;
    QString text;
    void Next(std::function<void(QMessageBox*)> answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                ADD_FAILURE() << "no message box opened";
                if (QWidget* other = QApplication::activeModalWidget()) {
                    other->close();
                }
                return;
            }
            ++boxes;
            text = box->text() + "\n" + box->informativeText();
            answer(box);
        });
    }
};

TEST(WriteFailureWindow, SessionEndOnAFullDiskShowsOneBoxAndKeepsTheEarlierSession) {
    TempFolder folder;
    FakeClock clock;
    clock.SetLocalDateTime(QDateTime(QDate(2012, 5, 31), QTime(16, 0)));
    const QString day = QStringLiteral("Sessions/2012_05_31/");
    folder.Write(day + "2012_05_31_16_00.txt", "[Ustawienia]\r\nNAZWA_1=Earlier\r\n");
    TForm1 launcher(clock, folder.path());
    launcher.station().slot(1).lap(1).lap_time = 6233;
    const SessionScreenActions actions = launcher.MakeSessionScreenActions();

    BoxAnswer answer;
    answer.Next([](QMessageBox* box) { box->close(); });
    {
        DiskFull disk_full(200);  // a session file is several kilobytes
        EXPECT_FALSE(actions.write_session_file());
    }
    EXPECT_EQ(answer.boxes, 1);
    // The earlier session of the minute keeps its name; this one takes the next.
    EXPECT_TRUE(answer.text.contains("2012_05_31_16_01.txt")) << answer.text.toStdString();
    EXPECT_EQ(folder.Read(day + "2012_05_31_16_00.txt"), "[Ustawienia]\r\nNAZWA_1=Earlier\r\n");
    EXPECT_EQ(FolderEntries(folder.file(day)), QStringList{"2012_05_31_16_00.txt"});

    // Ending again with room on the disk writes the session; no box.
    EXPECT_TRUE(actions.write_session_file());
    EXPECT_EQ(answer.boxes, 1);
    EXPECT_TRUE(folder.Read(day + "2012_05_31_16_01.txt").contains("LAPSINT_1_1=6233"));
    EXPECT_EQ(folder.Read(day + "2012_05_31_16_00.txt"), "[Ustawienia]\r\nNAZWA_1=Earlier\r\n");
}

TEST(WriteFailureWindow, MessageListOnAFullDiskAsksAndRetrySavesOnceThereIsRoom) {
    TempFolder folder;
    FakeClock clock;
    Station station(clock, folder.path());
    const QByteArray earlier = "[Parametry]\r\nmCount=1\r\nm1L1=OLD\r\n";
    folder.Write("messages.ini", earlier);
    Tflistakomunikatow window(station, Tflistakomunikatow::Mode::Edit);
    window.LoadMessages();
    window.edit_message = [](QString& line1, QString&, Colour&, Colour&) {
        line1 = QStringLiteral("DISK FULL");
        return true;
    };
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("Button2"), Qt::LeftButton);

    std::optional<DiskFull> disk_full(std::in_place, 16);
    QByteArray while_full;
    BoxAnswer answer;
    answer.Next([&](QMessageBox* box) {
        while_full = folder.Read("messages.ini");
        disk_full.reset();  // the operator makes room, then retries
        box->button(QMessageBox::Retry)->click();
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Button1"), Qt::LeftButton);

    EXPECT_EQ(answer.boxes, 1);
    EXPECT_TRUE(answer.text.contains("messages.ini")) << answer.text.toStdString();
    EXPECT_EQ(while_full, earlier);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(folder.Read("messages.ini").contains("m2L1=DISK FULL\r\n"));
    EXPECT_EQ(FolderEntries(folder.path()), QStringList{"messages.ini"});
}

}  // namespace

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "TForm1.h"
#include "TempFolder.h"
#include "Tflistakomunikatow.h"

TEST(LauncherMessages, MessagesButtonOpensTheStoredListModallyAndSavesOnClose) {
    TempFolder folder;
    folder.Write("messages.ini", "[Parametry]\r\nmCount=1\r\nm1L1=BOX\r\n");
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    int rows = -1;
    QTimer::singleShot(0, [&] {
        auto* list = qobject_cast<Tflistakomunikatow*>(QApplication::activeModalWidget());
        ASSERT_NE(list, nullptr);
        rows = list->table().count();
        QTest::mouseClick(list->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(launcher.findChild<QPushButton*>("Button5"), Qt::LeftButton);
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(folder.Read("messages.ini").endsWith("m1ColorF=0\r\n"));
}

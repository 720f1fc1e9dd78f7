#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "IntEdit.h"
#include "LimitedLineEdit.h"
#include "ModalHelpers.h"
#include "TempFolder.h"
#include "Tfsettings.h"

namespace {

struct SettingsFixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};

    SettingsFixture() {
        KartSlot& kart = station.slot(3);
        kart.radio = true;
        kart.serial_number = 4242;
        kart.driver_name = QStringLiteral("Ola");
    }
};

void ClickButton(QWidget* window, const char* name) {
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

}  // namespace

TEST(KartSettingsDialog, OkTakesNameRadioAndSerialOthersDropThem) {
    SettingsFixture f;
    AnswerNextModal<Tfsettings>([](Tfsettings* dialog) {
        EXPECT_TRUE(Child<QCheckBox>(dialog, "CheckBox1")->isChecked());
        EXPECT_EQ(Child<QLineEdit>(dialog, "Edit2")->text(), "Ola");
        EXPECT_EQ(Child<IntEdit>(dialog, "IntEdit1")->text(), "4242");
        Child<QLineEdit>(dialog, "Edit2")->setText("Twenty-five characters!!!");
        Child<QCheckBox>(dialog, "CheckBox1")->setChecked(false);
        Child<IntEdit>(dialog, "IntEdit1")->clear();
        ClickButton(dialog, "SpeedButton3");
    });
    EXPECT_TRUE(ShowKartSettings(f.station, 3));
    EXPECT_EQ(f.station.slot(3).driver_name.str(), "Twenty-five characte");
    EXPECT_FALSE(f.station.slot(3).radio);
    EXPECT_EQ(f.station.slot(3).serial_number, 0);

    for (const char* button : {"SpeedButton4", "SpeedButton1"}) {
        AnswerNextModal<Tfsettings>([button](Tfsettings* dialog) {
            Child<QLineEdit>(dialog, "Edit2")->setText("Changed");
            Child<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
            Child<IntEdit>(dialog, "IntEdit1")->setText("77");
            ClickButton(dialog, button);
        });
        EXPECT_FALSE(ShowKartSettings(f.station, 3)) << button;
        EXPECT_EQ(f.station.slot(3).driver_name.str(), "Twenty-five characte") << button;
        EXPECT_FALSE(f.station.slot(3).radio);
        EXPECT_EQ(f.station.slot(3).serial_number, 0);
    }
    EXPECT_TRUE(f.station.slot(3).message_pending);  // "Send message" closed with the tick set
}

TEST(KartSettingsDialog, RadioAndCameraExcludeEachOther) {
    SettingsFixture f;
    AnswerNextModal<Tfsettings>([](Tfsettings* dialog) {
        auto* radio = Child<QCheckBox>(dialog, "CheckBox1");
        auto* camera = Child<QCheckBox>(dialog, "CheckBoxCamera");
        EXPECT_FALSE(camera->isChecked());
        // Side by side on one row, neither covering the other.
        EXPECT_FALSE(radio->geometry().intersects(camera->geometry()));
        EXPECT_EQ(radio->y(), camera->y());
        QTest::mouseClick(camera, Qt::LeftButton, {}, QPoint(8, camera->height() / 2));
        EXPECT_TRUE(camera->isChecked());
        EXPECT_FALSE(radio->isChecked());
        ClickButton(dialog, "SpeedButton3");
    });
    EXPECT_TRUE(ShowKartSettings(f.station, 3));
    EXPECT_TRUE(f.station.slot(3).camera_timed);
    EXPECT_FALSE(f.station.slot(3).radio);

    AnswerNextModal<Tfsettings>([](Tfsettings* dialog) {
        EXPECT_TRUE(Child<QCheckBox>(dialog, "CheckBoxCamera")->isChecked());
        Child<QCheckBox>(dialog, "CheckBox1")->setChecked(true);
        EXPECT_FALSE(Child<QCheckBox>(dialog, "CheckBoxCamera")->isChecked());
        ClickButton(dialog, "SpeedButton3");
    });
    EXPECT_TRUE(ShowKartSettings(f.station, 3));
    EXPECT_FALSE(f.station.slot(3).camera_timed);
    EXPECT_TRUE(f.station.slot(3).radio);
}

TEST(KartSettingsDialog, TypedMessagesNeedRadioAndGoOutWhiteOnBlackAsTyped) {
    SettingsFixture f;
    KartSlot& kart = f.station.slot(3);
    kart.message_background = 0x123456;
    {
        Tfsettings dialog(f.station, 3);
        dialog.show();
        Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(false);
        QTest::keyClicks(Child<LimitedLineEdit>(&dialog, "Edit1"), "box now, driver");
        ClickButton(&dialog, "SpeedButton1");
        ClickButton(&dialog, "SpeedButton6");
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(kart.message_pending);
        EXPECT_EQ(kart.message_background, 0x123456u);
    }
    for (const auto& [button, immediate] : {std::pair{"SpeedButton1", 1}, {"SpeedButton6", 0}}) {
        kart.message_pending = false;
        kart.message_immediate = 7;
        Tfsettings dialog(f.station, 3);
        dialog.show();
        QTest::keyClicks(Child<LimitedLineEdit>(&dialog, "Edit1"), "box now, driver");
        ClickButton(&dialog, button);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.result_flag());
        EXPECT_TRUE(kart.message_pending);
        EXPECT_EQ(kart.message_line1.str(), "box now, dri");
        EXPECT_EQ(kart.message_line2.str(), "");
        EXPECT_EQ(kart.message_background, 0u);
        EXPECT_EQ(kart.message_font_colour, 0xFFFFFFu);
        EXPECT_EQ(kart.message_immediate, immediate);
    }
}

TEST(KartSettingsDialog, ListMessagesIgnoreRadioAndKeepTheirColours) {
    SettingsFixture f;
    KartSlot& kart = f.station.slot(3);
    for (const auto& [button, immediate] : {std::pair{"SpeedButton2", 1}, {"SpeedButton5", 0}}) {
        kart.message_pending = false;
        Tfsettings dialog(f.station, 3);
        Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(false);
        bool pick = false;
        dialog.pick_message = [&](QString& line1, QString& line2, Colour& background,
                                  Colour& font) {
            line1 = QStringLiteral("a line of twenty-six chars");
            line2 = QStringLiteral("lower");
            background = 0x0000FF;
            font = 0x00FF00;
            return pick;
        };
        dialog.show();
        ClickButton(&dialog, button);  // nothing picked: nothing written, still open
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(kart.message_pending);
        pick = true;
        ClickButton(&dialog, button);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(kart.message_pending);
        EXPECT_EQ(kart.message_line1.str(), "a line of twenty-six cha");
        EXPECT_EQ(kart.message_line2.str(), "lower");
        EXPECT_EQ(kart.message_background, 0x0000FFu);
        EXPECT_EQ(kart.message_font_colour, 0x00FF00u);
        EXPECT_EQ(kart.message_immediate, immediate);
    }
}

TEST(KartSettingsDialog, ARadioKartShowsItsUnitsLinkQualityBelowTheButtons) {
    SettingsFixture f;  // slot 3: radio, unit 4242
    const qint64 start = f.clock.PerformanceCounter();
    for (int counter : {200, 201, 202, 204, 205, 206, 207, 208, 209, 210}) {
        f.station.link_quality.Heard(4242, quint8(counter), start);
    }
    f.clock.AdvanceCentiseconds(240);

    Tfsettings dialog(f.station, 3);
    dialog.show();
    auto* link = Child<QLabel>(&dialog, "LabelLinkQuality");
    EXPECT_TRUE(link->isVisible());
    EXPECT_EQ(link->text(), "Radio: 90.9% of packets, last heard 2.4 s ago");
    EXPECT_LE(QFontMetrics(link->font()).horizontalAdvance(link->text()), link->width());

    // The receiver is not read while the dialog is open: the age grows on its tick.
    auto* timer = Child<QTimer>(&dialog, "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    f.clock.AdvanceCentiseconds(100);
    dialog.ShowLinkQuality();  // what the tick does
    EXPECT_EQ(link->text(), "Radio: 90.9% of packets, last heard 3.4 s ago");

    // The line follows the fields as edited: another unit, then no radio at all.
    Child<IntEdit>(&dialog, "IntEdit1")->setText("4243");
    EXPECT_EQ(link->text(), "Radio: not heard yet");
    Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(false);
    EXPECT_FALSE(link->isVisible());
    Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(true);
    EXPECT_TRUE(link->isVisible());

    // The specified controls stay where they were; the line lies under them.
    EXPECT_EQ(Child<QPushButton>(&dialog, "SpeedButton3")->geometry(), QRect(16, 564, 210, 46));
    EXPECT_EQ(Child<QPushButton>(&dialog, "SpeedButton4")->geometry(), QRect(246, 564, 210, 46));
    EXPECT_EQ(Child<QWidget>(&dialog, "GroupBox1")->geometry(), QRect(16, 198, 440, 350));
    EXPECT_GE(link->y(), 564 + 46);
    EXPECT_LE(link->geometry().bottom(), dialog.height());
}

TEST(KartSettingsDialog, AHandTimedKartShowsNoLinkQuality) {
    SettingsFixture f;
    f.station.slot(2).serial_number = 4242;
    f.station.link_quality.Heard(4242, 1, f.clock.PerformanceCounter());
    Tfsettings dialog(f.station, 2);
    dialog.show();
    EXPECT_FALSE(Child<QLabel>(&dialog, "LabelLinkQuality")->isVisible());
}

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "FakeClock.h"
#include "IntEdit.h"
#include "LimitedLineEdit.h"
#include "ModalHelpers.h"
#include "TempFolder.h"
#include "Tfsettings.h"

namespace {

struct Fixture {
    TempFolder folder;
    FakeClock clock;
    Station station{clock, folder.path()};

    Fixture() {
        KartSlot& kart = station.slot(3);
        kart.radio = true;
        kart.serial_number = 4242;
        kart.driver_name = QStringLiteral("Ola");
    }
};

void Click(QWidget* window, const char* name) {
    QTest::mouseClick(Child<QPushButton>(window, name), Qt::LeftButton);
}

}  // namespace

TEST(KartSettingsDialog, OkTakesNameRadioAndSerialOthersDropThem) {
    Fixture f;
    AnswerNextModal<Tfsettings>([](Tfsettings* dialog) {
        EXPECT_TRUE(Child<QCheckBox>(dialog, "CheckBox1")->isChecked());
        EXPECT_EQ(Child<QLineEdit>(dialog, "Edit2")->text(), "Ola");
        EXPECT_EQ(Child<IntEdit>(dialog, "IntEdit1")->text(), "4242");
        Child<QLineEdit>(dialog, "Edit2")->setText("Twenty-five characters!!!");
        Child<QCheckBox>(dialog, "CheckBox1")->setChecked(false);
        Child<IntEdit>(dialog, "IntEdit1")->clear();
        Click(dialog, "SpeedButton3");
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
            Click(dialog, button);
        });
        EXPECT_FALSE(ShowKartSettings(f.station, 3)) << button;
        EXPECT_EQ(f.station.slot(3).driver_name.str(), "Twenty-five characte") << button;
        EXPECT_FALSE(f.station.slot(3).radio);
        EXPECT_EQ(f.station.slot(3).serial_number, 0);
    }
    EXPECT_TRUE(f.station.slot(3).message_pending);  // "Send message" closed with the tick set
}

TEST(KartSettingsDialog, TypedMessagesNeedRadioAndGoOutWhiteOnBlackAsTyped) {
    Fixture f;
    KartSlot& kart = f.station.slot(3);
    kart.message_background = 0x123456;
    {
        Tfsettings dialog(f.station, 3);
        dialog.show();
        Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(false);
        QTest::keyClicks(Child<LimitedLineEdit>(&dialog, "Edit1"), "box now, driver");
        Click(&dialog, "SpeedButton1");
        Click(&dialog, "SpeedButton6");
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
        Click(&dialog, button);
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
    Fixture f;
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
        Click(&dialog, button);  // nothing picked: nothing written, still open
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(kart.message_pending);
        pick = true;
        Click(&dialog, button);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(kart.message_pending);
        EXPECT_EQ(kart.message_line1.str(), "a line of twenty-six cha");
        EXPECT_EQ(kart.message_line2.str(), "lower");
        EXPECT_EQ(kart.message_background, 0x0000FFu);
        EXPECT_EQ(kart.message_font_colour, 0x00FF00u);
        EXPECT_EQ(kart.message_immediate, immediate);
    }
}

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "FakeClock.h"
#include "IniFile.h"
#include "ModalScript.h"
#include "SessionFormatDialog.h"
#include "TForm1.h"
#include "TempFolder.h"

namespace {

template <typename T>
T* FormatControl(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void PressFormatButton(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

}  // namespace

TEST(SessionFormatDialog, EditedFromTheLauncherKeptInItsOwnSectionCancelWritesNothing) {
    TempFolder folder;
    folder.Write("ustawienia.ini", "[Parametry]\r\nRadio1=1\r\nNAME1=Ala\r\n");
    FakeClock clock;
    TForm1 launcher(clock, folder.path());
    launcher.show();
    auto* button = launcher.findChild<QPushButton*>("ButtonSessionFormat");
    ASSERT_NE(button, nullptr);
    // It sits in free room: no other control of the launcher under it.
    for (QWidget* other : launcher.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other != button && other->isVisible()) {
            EXPECT_FALSE(other->geometry().intersects(button->geometry()))
                << other->objectName().toStdString();
        }
    }

    // One script a dialog: the second dialog may stand where the first stood, and a
    // script answers each window once.
    ModalScript edit({[](QWidget* dialog) {
        // A timed race of 15 minutes, LAST LAP on, with a line cut at 12.
        FormatControl<QComboBox>(dialog, "FormatLength")->setCurrentIndex(1);
        FormatControl<QSpinBox>(dialog, "FormatAmount")->setValue(15);
        FormatControl<QComboBox>(dialog, "FormatScoring")->setCurrentIndex(1);
        FormatControl<QCheckBox>(dialog, "FormatWindowOn")->setChecked(true);
        FormatControl<QDoubleSpinBox>(dialog, "FormatWindowMin")->setValue(30.5);
        FormatControl<QCheckBox>(dialog, "FormatLastLapOn")->setChecked(true);
        QLineEdit* line = FormatControl<QLineEdit>(dialog, "FormatLastLapLine2");
        QTest::keyClicks(line, "GO GO GO GO GO GO");
        const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            EXPECT_TRUE(dialog->grab().save(folder + "/session-format.png"));
        }
        PressFormatButton(dialog, QDialogButtonBox::Ok);
    }});
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(edit.done());
    ModalScript cancel({[](QWidget* dialog) {
        // Shown again as saved; a change then cancelled is not kept.
        EXPECT_EQ(FormatControl<QSpinBox>(dialog, "FormatAmount")->value(), 15);
        FormatControl<QComboBox>(dialog, "FormatLength")->setCurrentIndex(2);
        PressFormatButton(dialog, QDialogButtonBox::Cancel);
    }});
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(cancel.done());

    const IniFile ini = IniFile::Load(folder.path() + "ustawienia.ini");
    const FormatSettings saved = ReadFormatSettings(ini);
    EXPECT_EQ(saved.length, SessionLength::kMinutes);
    EXPECT_EQ(saved.minutes, 15);
    EXPECT_EQ(saved.laps, 10);
    EXPECT_EQ(saved.scoring, Scoring::kRace);
    EXPECT_EQ(saved.window, (LapWindow{true, 3050, 0}));
    EXPECT_TRUE(saved.last_lap.on);
    // Cut at 12 by the field; the INI file drops the trailing blank.
    EXPECT_EQ(saved.last_lap.line2, "GO GO GO GO");
    EXPECT_FALSE(saved.finish.on);
    EXPECT_EQ(ini.ReadString("Parametry", "NAME1", ""), "Ala");
}

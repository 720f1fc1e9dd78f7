#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTest>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include "CameraSetupWindow.h"
#include "ClipRenderer.h"
#include "Clock.h"
#include "MarkerReader.h"
#include "TempFolder.h"

// The printed sheet is read back the way the camera reads the karts: rendered to
// pixels (pdftoppm) and searched for markers.
TEST(CameraSetup, SettingsSavedAndMarkerSheetReadable) {
    TempFolder temp;
    const QString ini = temp.file("ustawienia.ini");
    SystemClock clock;
    CameraSetupWindow window(clock, ini, {"Ola", "", "Jan"});
    window.findChild<QCheckBox*>("CameraEnabled")->setChecked(true);
    window.findChild<QSpinBox*>("CameraMarker1")->setValue(7);
    window.findChild<QSpinBox*>("CameraMarker3")->setValue(12);
    window.findChild<QSpinBox*>("CameraMarkerSize")->setValue(60);
    auto* advice = window.findChild<QLabel*>("CameraShutterAdvice");
    window.findChild<QSpinBox*>("CameraTopSpeed")->setValue(90);  // 25 m/s
    EXPECT_TRUE(advice->text().startsWith("Shutter at most 1/2315 s (432 µs)"))
        << advice->text().toStdString();
    EXPECT_TRUE(advice->text().contains("blur"));  // the camera's own exposure
    window.findChild<QSpinBox*>("CameraShutter")->setValue(400);
    EXPECT_FALSE(advice->text().contains("blur"));

    QString error;
    ASSERT_TRUE(window.Save(&error)) << error.toStdString();
    const CameraSettings saved = LoadCameraSettings(ini);
    EXPECT_TRUE(saved.enabled);
    EXPECT_EQ(saved.shutter_us, 400);
    EXPECT_EQ(saved.SlotOfMarker(12), 3);

    ASSERT_TRUE(window.WriteSheet(temp.file("markers.pdf"), &error)) << error.toStdString();
    QProcess text;
    text.start("pdftotext", {temp.file("markers.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains("Kart 1 Ola - marker 7")) << words.toStdString();
    EXPECT_TRUE(words.contains("Kart 3 Jan - marker 12"));
    QProcess render;
    render.start("pdftoppm", {"-r", "100", "-gray", "-png", "-singlefile", temp.file("markers.pdf"),
                              temp.file("sheet")});
    ASSERT_TRUE(render.waitForFinished(30000));
    const cv::Mat page = cv::imread(temp.file("sheet.png").toStdString(), cv::IMREAD_GRAYSCALE);
    ASSERT_FALSE(page.empty());
    std::vector<std::vector<cv::Point2f>> corners;
    std::vector<int> ids;
    MarkerReader().Read(page, corners, ids);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int>{7, 12}));
    // 60 mm at 100 dpi: about 236 px a side.
    ASSERT_EQ(corners.size(), 2u);
    EXPECT_NEAR(cv::norm(corners[0][0] - corners[0][1]), 60 / 25.4 * 100, 4);
}

// The live picture runs on its own thread from a clip played as if live: it
// arrives with the marker outlined.
TEST(CameraSetup, LivePictureFromAClip) {
    TempFolder temp;
    ClipSetup setup;
    setup.duration_s = 4;
    setup.seed = 8;
    setup.karts = {{7, 1.2, 250, 200}};  // slow, so a picture shows it in the band
    const QString clip = temp.file("line.avi");
    {
        cv::VideoWriter writer(clip.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                               setup.fps, cv::Size(setup.width, setup.height), false);
        for (const ClipFrame& frame : RenderClip(setup)) {
            writer.write(frame.gray);
        }
    }
    temp.Write("ustawienia.ini", ("[Camera]\r\nDevice=file:" + clip +
                                  "\r\nMarker_1=7\r\n"
                                  "MarkerMm=200\r\nShutterUs=1000\r\n")
                                     .toUtf8());
    SystemClock clock;
    CameraSetupWindow window(clock, temp.file("ustawienia.ini"), {"Ola"});
    window.show();
    window.SetPreview(true);
    auto* picture = window.findChild<QLabel*>("CameraPicture");
    auto* state = window.findChild<QLabel*>("CameraState");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picture->pixmap().isNull(); }, 20000));
    auto outlined = [&] {
        const QImage shown = picture->pixmap().toImage();
        for (int y = 0; y < shown.height(); y += 2) {
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                if (c.green() > 200 && c.red() < 80 && c.blue() < 80) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(outlined, 10000));  // the kart's marker in the band
    EXPECT_EQ(state->text(), "Camera running");
    const QImage shown = picture->pixmap().toImage();
    // The line is drawn red down the middle.
    const QColor middle = shown.pixelColor(shown.width() / 2, 5);
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.green(), 80);
    if (const QString folder = qEnvironmentVariable("RUVO_SCREENSHOT_DIR"); !folder.isEmpty()) {
        window.grab().save(folder + "/camera-setup.png");
    }
    window.SetPreview(false);
    EXPECT_EQ(state->text(), "Camera off");
}

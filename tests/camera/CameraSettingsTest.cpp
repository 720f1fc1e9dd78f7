#include <gtest/gtest.h>

#include "CameraSettings.h"
#include "TempFolder.h"

TEST(CameraSettingsFile, KeptInItsOwnSectionAndBadValuesFallBack) {
    TempFolder temp;
    temp.Write("ustawienia.ini",
               "[Timesheets]\r\nTrack=Tor\r\n[Camera]\r\nWidth=0\r\nFps=60000\r\n");
    const QString ini = temp.file("ustawienia.ini");
    CameraSettings loaded = LoadCameraSettings(ini);
    EXPECT_EQ(loaded.width, 640);
    EXPECT_EQ(loaded.fps, 60);
    EXPECT_EQ(loaded.LineFor(1280), 640);

    loaded.device = "/dev/video2";
    loaded.shutter_us = 1000;
    loaded.line_x = 300;
    loaded.marker_of_slot = {7, -1, 12, -1, 3};
    QString error;
    ASSERT_TRUE(SaveCameraSettings(ini, loaded, &error)) << error.toStdString();
    const CameraSettings again = LoadCameraSettings(ini);
    EXPECT_EQ(again.device, "/dev/video2");
    EXPECT_EQ(again.shutter_us, 1000);
    EXPECT_EQ(again.LineFor(1280), 300);
    EXPECT_EQ(again.SlotOfMarker(12), 3);
    EXPECT_EQ(again.SlotOfMarker(3), 5);
    EXPECT_EQ(again.SlotOfMarker(8), 0);
    EXPECT_EQ(again.SlotOfMarker(-1), 0);
    EXPECT_TRUE(temp.Read("ustawienia.ini").startsWith("[Timesheets]\r\nTrack=Tor\r\n"));
}

TEST(CameraSettingsFile, ShutterAndFieldOfViewForTheSetUp) {
    // A 0.2 m marker at 25 m/s: about 1/1000 s; seen whole each side at 60 fps.
    EXPECT_NEAR(LongestShutterSeconds(0.2, 25), 0.00144, 1e-6);
    EXPECT_NEAR(NarrowestFieldMetres(0.2, 25, 60), 0.2 + 50.0 / 60, 1e-9);
    EXPECT_EQ(LongestShutterSeconds(0.2, 0), 0);
}

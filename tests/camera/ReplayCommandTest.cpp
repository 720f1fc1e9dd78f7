#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/videoio.hpp>

#include "ClipRenderer.h"
#include "ProgramRun.h"
#include "TempFolder.h"

namespace {

struct ReplayRun {
    int exit_code = -1;
    QStringList lines;
    QString err;
};

ReplayRun RunReplay(const QString& home, const QStringList& args) {
    const ProgramOutcome run = RunWithoutDisplay(QStringLiteral(RUVO_EXE), home,
                                                 QStringList{"--camera-replay"} + args, 120000);
    return {run.exit_code, run.out.split('\n', Qt::SkipEmptyParts), run.err};
}

}  // namespace

TEST(CameraReplay, MjpgClipGivesOneLinePerCrossing) {
    TempFolder temp;
    ClipSetup setup;
    setup.duration_s = 3;
    setup.line_x = 400;  // not the middle: --line must be taken
    setup.seed = 42;
    setup.karts = {{17, 0.8123, 2000, 170}, {-1, 1.9, -1800, 300}};
    const QString clip = temp.file("line.avi");
    {
        cv::VideoWriter writer(clip.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                               setup.fps, cv::Size(setup.width, setup.height), false);
        ASSERT_TRUE(writer.isOpened());
        writer.set(cv::VIDEOWRITER_PROP_QUALITY, 95);
        for (const ClipFrame& frame : RenderClip(setup)) {
            writer.write(frame.gray);
        }
    }
    const ReplayRun run = RunReplay(temp.path(), {clip, "--line", "400"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 2) << run.lines.join('|').toStdString();
    const QStringList marker = run.lines.at(0).split(' ');
    ASSERT_EQ(marker.size(), 3);
    EXPECT_EQ(marker.at(0), "17");
    EXPECT_EQ(marker.at(1).section('.', 1).size(), 6);
    EXPECT_LT(std::abs(marker.at(1).toDouble() - 0.8123), 0.002);
    EXPECT_EQ(marker.at(2), "marker");
    const QStringList band = run.lines.at(1).split(' ');
    ASSERT_EQ(band.size(), 3);
    EXPECT_EQ(band.at(0), "-");
    // The unmarked kart's front (75 px ahead of its centre) reaches the line first.
    EXPECT_LT(std::abs(band.at(1).toDouble() - (1.9 - 75 / 1800.0)), 0.012);
    EXPECT_EQ(band.at(2), "band");
}

TEST(CameraReplay, WrongClipOrLineIsRefused) {
    TempFolder temp;
    temp.Write("not-a-video.avi", "RIFF but nothing more");
    for (const QStringList& args :
         {QStringList{temp.file("missing.avi")}, QStringList{temp.file("not-a-video.avi")},
          QStringList{temp.file("missing.avi"), "--line", "x"}, QStringList{}}) {
        const ReplayRun run = RunReplay(temp.path(), args);
        EXPECT_EQ(run.exit_code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.lines.isEmpty());
        EXPECT_TRUE(run.err.startsWith("ruvotimer: ")) << run.err.toStdString();
    }
}

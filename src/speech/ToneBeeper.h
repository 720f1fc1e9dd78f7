#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <memory>

#include "Speaker.h"

class QAudioSink;

// A short sine tone in the given sample format (every channel alike), faded in and
// out so it does not click. Formats other than 8/16/32-bit integer and float give
// no samples.
QByteArray ToneSamples(const QAudioFormat& format, int frequency_hz, int duration_ms);

// The hand-timing beep as a generated tone on the default sound output (Qt
// Multimedia, through PulseAudio or PipeWire's PulseAudio service on Debian).
// QApplication::beep() is not used: on most X servers and on Wayland it makes no
// sound. Without a sound output the beeper fails at once; an output that fails
// while playing fails it for good.
class ToneBeeper : public QObject, public Beeper {
    Q_OBJECT

  public:
    static constexpr int kFrequencyHz = 1000;
    static constexpr int kDurationMs = 120;

    ToneBeeper();
    ~ToneBeeper() override;

    void Beep() override;
    QString failure() const override { return failure_; }

  private:
    void Play();
    void SinkStateChanged();
    void Fail(const QString& reason);

    QAudioDevice device_;
    QAudioFormat format_;
    QByteArray tone_;
    QBuffer buffer_;
    std::unique_ptr<QAudioSink> sink_;
    QString failure_;
    bool play_requested_ = false;
};

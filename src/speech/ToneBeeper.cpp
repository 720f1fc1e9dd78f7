#include "ToneBeeper.h"

#include <QAudioSink>
#include <QMediaDevices>
#include <QMetaObject>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kLevel = 0.5;  // of full scale: loud enough beside a track, not harsh
constexpr int kFadeMs = 5;

template <typename T>
void Append(QByteArray& bytes, T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

}  // namespace

QByteArray ToneSamples(const QAudioFormat& format, int frequency_hz, int duration_ms) {
    QByteArray bytes;
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    if (rate <= 0 || channels <= 0 || duration_ms <= 0) {
        return bytes;
    }
    const qint64 frames = qint64(rate) * duration_ms / 1000;
    const qint64 fade = std::max<qint64>(1, qint64(rate) * kFadeMs / 1000);
    bytes.reserve(int(frames * format.bytesPerFrame()));
    for (qint64 i = 0; i < frames; ++i) {
        const double envelope =
            std::min({1.0, double(i) / double(fade), double(frames - 1 - i) / double(fade)});
        const double value =
            kLevel * envelope * std::sin(2.0 * std::numbers::pi * frequency_hz * double(i) / rate);
        for (int c = 0; c < channels; ++c) {
            switch (format.sampleFormat()) {
                case QAudioFormat::UInt8:
                    Append(bytes, quint8(std::lround(128.0 + 127.0 * value)));
                    break;
                case QAudioFormat::Int16:
                    Append(bytes, qint16(std::lround(32767.0 * value)));
                    break;
                case QAudioFormat::Int32:
                    Append(bytes, qint32(std::lround(2147483647.0 * value)));
                    break;
                case QAudioFormat::Float:
                    Append(bytes, float(value));
                    break;
                default:
                    return {};
            }
        }
    }
    return bytes;
}

ToneBeeper::ToneBeeper() : device_(QMediaDevices::defaultAudioOutput()) {
    if (device_.isNull()) {
        failure_ = QStringLiteral(
            "No sound output was found, so hand-timed laps make no beep. Check the "
            "desktop's sound settings.");
        return;
    }
    format_ = device_.preferredFormat();
    tone_ = ToneSamples(format_, kFrequencyHz, kDurationMs);
    if (tone_.isEmpty()) {
        failure_ = QStringLiteral(
                       "The sound output \"%1\" takes no sample format the beep can "
                       "be made in, so hand-timed laps make no beep.")
                       .arg(device_.description());
        return;
    }
    buffer_.setBuffer(&tone_);
}

ToneBeeper::~ToneBeeper() {
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
    }
}

void ToneBeeper::Beep() {
    if (!failure_.isEmpty() || play_requested_) {
        return;
    }
    play_requested_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            play_requested_ = false;
            Play();
        },
        Qt::QueuedConnection);
}

void ToneBeeper::Play() {
    if (!failure_.isEmpty()) {
        return;
    }
    if (!sink_) {
        sink_ = std::make_unique<QAudioSink>(device_, format_);
        connect(sink_.get(), &QAudioSink::stateChanged, this, &ToneBeeper::SinkStateChanged);
    }
    // A beep still sounding starts over: two laps, two beeps' worth of attention.
    sink_->stop();
    buffer_.close();
    buffer_.open(QIODevice::ReadOnly);
    sink_->start(&buffer_);
    SinkStateChanged();
}

void ToneBeeper::SinkStateChanged() {
    if (!sink_) {
        return;
    }
    switch (sink_->error()) {
        case QAudio::OpenError:
            Fail(QStringLiteral("the sound output \"%1\" could not be opened")
                     .arg(device_.description()));
            return;
        case QAudio::IOError:
        case QAudio::FatalError:
            Fail(QStringLiteral("the sound output \"%1\" failed").arg(device_.description()));
            return;
        case QAudio::NoError:
        case QAudio::UnderrunError:
            break;
    }
    if (sink_->state() == QAudio::IdleState) {
        // The whole tone went out.
        sink_->stop();
    }
}

void ToneBeeper::Fail(const QString& reason) {
    if (!failure_.isEmpty()) {
        return;
    }
    failure_ = QStringLiteral("Hand-timed laps make no beep: %1.").arg(reason);
    if (on_failure) {
        on_failure(failure_);
    }
}

#include "TimeFormat.h"

namespace {

// Builds the texts in a fixed buffer: the running time is formatted for every frame
// received (100 a second and more), and QString::number, rightJustified and the
// concatenations cost several allocations per field.
class FieldText {
  public:
    // printf's "%2.2d" for any sign: at least two digits, a minus in front.
    FieldText& TwoDigits(qint64 value) {
        quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
        if (value < 0) {
            buffer_[length_++] = '-';
        }
        char digits[20];
        int count = 0;
        do {
            digits[count++] = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (count < 2) {
            digits[count++] = '0';
        }
        while (count > 0) {
            buffer_[length_++] = digits[--count];
        }
        return *this;
    }

    FieldText& Separator(char c) {
        buffer_[length_++] = c;
        return *this;
    }

    QString Text() const { return QString::fromLatin1(buffer_, length_); }

    void WriteTo(QString& text) const {
        text.resize(length_);
        QChar* out = text.data();
        for (qsizetype i = 0; i < length_; ++i) {
            out[i] = QLatin1Char(buffer_[i]);
        }
    }

  private:
    char buffer_[80];  // three fields of a sign and 20 digits, two separators, a prefix
    qsizetype length_ = 0;
};

}  // namespace

namespace {

FieldText LapTimeFields(quint32 centiseconds) {
    const quint32 whole_seconds = centiseconds / 100;
    FieldText text;
    text.TwoDigits(whole_seconds / 60)
        .Separator(':')
        .TwoDigits(whole_seconds % 60)
        .Separator(':')
        .TwoDigits(centiseconds % 100);
    return text;
}

}  // namespace

QString FormatLapTime(quint32 centiseconds) {
    return LapTimeFields(centiseconds).Text();
}

void FormatLapTimeInto(quint32 centiseconds, QString& text) {
    LapTimeFields(centiseconds).WriteTo(text);
}

QString FormatGapFields(qint64 gap) {
    const qint64 whole_seconds = gap / 100;
    return FieldText().TwoDigits(whole_seconds % 60).Separator(':').TwoDigits(gap % 100).Text();
}

QString FormatGap(qint64 gap) {
    return FieldText()
        .Separator('+')
        .TwoDigits((gap / 100) % 60)
        .Separator(':')
        .TwoDigits(gap % 100)
        .Text();
}

QString FormatLapNumber(qint64 lap_number) {
    return FieldText().Separator('L').Separator(':').TwoDigits(lap_number).Text();
}

QString FormatClock(qint64 seconds) {
    return FieldText()
        .TwoDigits(seconds / 3600)
        .Separator(':')
        .TwoDigits((seconds / 60) % 60)
        .Separator(':')
        .TwoDigits(seconds % 60)
        .Text();
}

#include "Text.h"

#include <QStringDecoder>
#include <array>
#include <charconv>
#include <iterator>

QString CutToCharacters(const QString& text, int limit) {
    if (limit <= 0) {
        return QString();
    }
    if (text.size() <= limit) {
        return text;  // fewer UTF-16 units than the limit means fewer characters too
    }
    int characters = 0;
    qsizetype pos = 0;
    while (pos < text.size() && characters < limit) {
        const bool pair = text.at(pos).isHighSurrogate() && pos + 1 < text.size() &&
                          text.at(pos + 1).isLowSurrogate();
        pos += pair ? 2 : 1;
        ++characters;
    }
    return text.left(pos);
}

namespace {

// Code points of bytes 0x80..0xFF; undefined positions carry their own C1 value.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Every byte, so that decoding a file is a lookup per byte without a branch.
constexpr std::array<char16_t, 256> kAllBytes = [] {
    std::array<char16_t, 256> all{};
    for (size_t b = 0; b < 0x80; ++b) {
        all[b] = char16_t(b);
    }
    for (size_t b = 0x80; b < 0x100; ++b) {
        all[b] = kHighHalf[b - 0x80];
    }
    return all;
}();

}  // namespace

char16_t DecodeWindows1250Byte(unsigned char byte) {
    return kAllBytes[byte];
}

QString DecodeWindows1250(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        *out++ = QChar(kAllBytes[static_cast<unsigned char>(byte)]);
    }
    return text;
}

QByteArray EncodeWindows1250(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;  // one character outside the BMP: one '?'
            bytes.append('?');
            continue;
        }
        const char16_t unit = ch.unicode();
        if (unit < 0x80) {
            bytes.append(char(unit));
            continue;
        }
        char out = '?';
        for (size_t k = 0; k < kHighHalf.size(); ++k) {
            if (kHighHalf[k] == unit) {
                out = char(0x80 + k);
                break;
            }
        }
        bytes.append(out);
    }
    return bytes;
}

QString DecodeFileText(const QByteArray& bytes) {
    // Every leading byte order mark goes, not only the first: one left in the text
    // would hide the first section, and saving would write it back as a mark that the
    // next read drops, so the saved file would read differently from the one loaded.
    QByteArrayView view(bytes);
    while (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    return DecodeWindows1250(view.toByteArray());
}

void AppendDecimal(QString* text, qint64 value) {
    char digits[21];
    const char* end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    text->append(QLatin1String(digits, end));
}

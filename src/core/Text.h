#pragma once

#include <QByteArray>
#include <QString>

// The first `limit` characters (code points) of text; a surrogate pair is never split.
QString CutToCharacters(const QString& text, int limit);

// A text field with a fixed maximum length: anything stored is cut to that many
// characters, so no record can ever hold more than its field allows.
template <int Limit>
class BoundedText {
  public:
    static constexpr int kLimit = Limit;

    BoundedText() = default;
    BoundedText(const QString& text) : text_(CutToCharacters(text, Limit)) {}  // NOLINT
    BoundedText(const char* text) : BoundedText(QString::fromUtf8(text)) {}    // NOLINT

    BoundedText& operator=(const QString& text) {
        text_ = CutToCharacters(text, Limit);
        return *this;
    }
    // Lets `write` change the text in place (keeping its buffer), then cuts it to
    // the limit like any other assignment.
    template <typename Write>
    void Rewrite(Write&& write) {
        write(text_);
        if (text_.size() > Limit) {
            text_ = CutToCharacters(text_, Limit);
        }
    }
    operator const QString&() const { return text_; }  // NOLINT
    const QString& str() const { return text_; }
    bool isEmpty() const { return text_.isEmpty(); }
    void clear() { text_.clear(); }

    friend bool operator==(const BoundedText& a, const BoundedText& b) {
        return a.text_ == b.text_;
    }
    friend bool operator==(const BoundedText& a, const QString& b) { return a.text_ == b; }

  private:
    QString text_;
};

// Windows-1250 (Central European), the 8-bit code page of files and radio texts
// from older installations. Bytes that the code page leaves undefined map to the
// C1 control of the same value, so decoding never drops a byte.
QString DecodeWindows1250(const QByteArray& bytes);
// One byte of it (every byte is one character of the Basic Multilingual Plane).
char16_t DecodeWindows1250Byte(unsigned char byte);
// Characters the code page cannot hold become '?'. One byte per character.
QByteArray EncodeWindows1250(const QString& text);

// Text of a file: UTF-8 (a leading byte-order mark is skipped) when the bytes are
// valid UTF-8, otherwise Windows-1250.
QString DecodeFileText(const QByteArray& bytes);

// Appends value in decimal, as QString::number gives it, without a temporary string:
// writers of thousands of keys build them in place.
void AppendDecimal(QString* text, qint64 value);

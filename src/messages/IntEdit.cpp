#include "IntEdit.h"

#include <QRegularExpressionValidator>

IntEdit::IntEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+-]*")), this));
    connect(this, &QLineEdit::textChanged, this, &IntEdit::changed);
}

std::optional<qint32> IntEdit::Parse(const QString& text) {
    QStringView digits(text);
    bool negative = false;
    if (!digits.isEmpty() &&
        (digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-'))) {
        negative = digits.front() == QLatin1Char('-');
        digits = digits.sliced(1);
    }
    if (digits.isEmpty()) {
        return std::nullopt;
    }
    qint64 magnitude = 0;
    for (const QChar ch : digits) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (ch.unicode() - '0');
        if (magnitude > qint64(INT32_MAX) + 1) {
            return std::nullopt;  // stops before a long run of digits can overflow
        }
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) {
        return std::nullopt;
    }
    return qint32(value);
}

qint32 IntEdit::value() const {
    return Parse(text()).value_or(0);
}

void IntEdit::setValue(qint32 value) {
    setText(QString::number(value));
}

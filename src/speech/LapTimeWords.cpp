#include "LapTimeWords.h"

#include <array>

namespace {

constexpr std::array<const char*, 20> kSmall = {
    "zero",     "one",     "two",     "three",     "four",     "five",    "six",
    "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
    "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::array<const char*, 10> kTens = {"",      "",      "twenty",  "thirty", "forty",
                                               "fifty", "sixty", "seventy", "eighty", "ninety"};

QString BelowHundred(int n) {
    if (n < 20) {
        return QString::fromLatin1(kSmall[size_t(n)]);
    }
    QString words = QString::fromLatin1(kTens[size_t(n / 10)]);
    if (n % 10 != 0) {
        words += QLatin1Char('-') + QString::fromLatin1(kSmall[size_t(n % 10)]);
    }
    return words;
}

QString BelowThousand(int n) {
    if (n < 100) {
        return BelowHundred(n);
    }
    QString words = BelowHundred(n / 100) + QStringLiteral(" hundred");
    if (n % 100 != 0) {
        words += QLatin1Char(' ') + BelowHundred(n % 100);
    }
    return words;
}

// A two-digit group after a larger unit: 05 is "oh five".
QString Group(int n) {
    return n < 10 ? QStringLiteral("oh ") + BelowHundred(n) : BelowHundred(n);
}

QString Plural(qint64 n, const char* unit) {
    return NumberInWords(n) + QLatin1Char(' ') + QString::fromLatin1(unit) +
           (n == 1 ? QString() : QStringLiteral("s"));
}

QString Hundredths(int hundredths) {
    return hundredths == 0 ? QStringLiteral("flat") : Group(hundredths);
}

// A time under an hour that is not zero.
QString BelowHour(qint32 centiseconds) {
    const int hundredths = centiseconds % 100;
    const int seconds = (centiseconds / 100) % 60;
    const int minutes = centiseconds / 6000;
    if (minutes == 0) {
        return NumberInWords(seconds) + QLatin1Char(' ') + Hundredths(hundredths);
    }
    const QString head = seconds == 0 ? Plural(minutes, "minute")
                                      : NumberInWords(minutes) + QLatin1Char(' ') + Group(seconds);
    return head + QLatin1Char(' ') + Hundredths(hundredths);
}

}  // namespace

QString NumberInWords(qint64 number) {
    if (number < 0 || number > 999'999'999) {
        return QString::number(number);
    }
    if (number < 1000) {
        return BelowThousand(int(number));
    }
    QString words;
    const int millions = int(number / 1'000'000);
    const int thousands = int(number / 1000 % 1000);
    const int rest = int(number % 1000);
    if (millions > 0) {
        words = BelowThousand(millions) + QStringLiteral(" million");
    }
    if (thousands > 0) {
        words += (words.isEmpty() ? QString() : QStringLiteral(" ")) + BelowThousand(thousands) +
                 QStringLiteral(" thousand");
    }
    if (rest > 0) {
        words += QLatin1Char(' ') + BelowThousand(rest);
    }
    return words;
}

QString LapTimeInWords(qint32 centiseconds) {
    // Laps of 0 or less are never entered; read them as nothing rather than garble.
    if (centiseconds <= 0) {
        return QStringLiteral("zero flat");
    }
    constexpr qint32 kHour = 360'000;
    const qint32 hours = centiseconds / kHour;
    const qint32 rest = centiseconds % kHour;
    if (hours == 0) {
        return BelowHour(rest);
    }
    const QString head = Plural(hours, "hour");
    return rest == 0 ? head + QStringLiteral(" flat") : head + QLatin1Char(' ') + BelowHour(rest);
}

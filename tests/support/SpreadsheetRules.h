#pragma once

#include <QByteArray>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// How a spreadsheet set to a locale reads a CSV file opened directly (Excel; Calc
// with its defaults): records split at the locale's list separator, and each cell
// taken as a date when it looks like one in that locale ("30.07" in Polish is 30
// July), else as a number when it parses with the locale's decimal separator, else
// as text. Written here from those rules, not from the program's CSV code; plain
// cells only (no quoted fields).
class Spreadsheet {
  public:
    enum class Kind { kText, kNumber, kDate };
    struct Cell {
        Kind kind = Kind::kText;
        double number = 0;
    };

    // "pl_PL": ';' lists and a decimal comma; "en_US": ',' lists and a decimal point.
    explicit Spreadsheet(const QString& locale_name) : locale_(locale_name) {
        locale_.setNumberOptions(QLocale::RejectGroupSeparator);
        comma_ = locale_.decimalPoint() == QLatin1String(",");
        separator_ = comma_ ? QLatin1Char(';') : QLatin1Char(',');
    }

    Cell Read(const QString& text) const {
        static const QRegularExpression dotted(QStringLiteral("^\\d{1,2}[.-]\\d{1,2}([.-]\\d+)?$"));
        static const QRegularExpression slashed(QStringLiteral("^\\d{1,2}/\\d{1,2}(/\\d+)?$"));
        if ((comma_ && dotted.match(text).hasMatch()) || slashed.match(text).hasMatch()) {
            return {Kind::kDate, 0};
        }
        bool ok = false;
        const double value = locale_.toDouble(text, &ok);
        return ok ? Cell{Kind::kNumber, value} : Cell{Kind::kText, 0};
    }

    // The file's rows of cells as texts (after a byte-order mark).
    std::vector<QStringList> Rows(QByteArray bytes) const {
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            bytes.remove(0, 3);
        }
        std::vector<QStringList> rows;
        for (const QString& line : QString::fromUtf8(bytes).split(QStringLiteral("\r\n"))) {
            if (!line.isEmpty()) {
                rows.push_back(line.split(separator_));
            }
        }
        return rows;
    }

    // The number in column `name` of each data row; nothing where the cell is not read
    // as a number.
    std::vector<std::optional<double>> Column(const QByteArray& bytes, const QString& name) const {
        const std::vector<QStringList> rows = Rows(bytes);
        std::vector<std::optional<double>> values;
        const qsizetype column = rows.empty() ? -1 : rows.front().indexOf(name);
        for (size_t r = 1; r < rows.size() && column >= 0; ++r) {
            const Cell cell = Read(rows[r].value(column));
            values.push_back(cell.kind == Kind::kNumber ? std::optional(cell.number)
                                                        : std::nullopt);
        }
        return values;
    }

  private:
    QLocale locale_;
    bool comma_ = false;
    QChar separator_;
};

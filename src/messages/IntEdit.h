#pragma once

#include <QLineEdit>
#include <optional>

// A one-line integer field: only digits, "+" and "-" can be entered. Empty text,
// and text that is not a whole signed 32-bit number ("-", "++5", twenty digits),
// reads as 0. changed() follows every change of the text, typed or set.
class IntEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit IntEdit(QWidget* parent = nullptr);

    qint32 value() const;
    void setValue(qint32 value);

    // The number a text stands for, or nothing when it is not one.
    static std::optional<qint32> Parse(const QString& text);

  signals:
    void changed();
};

#include "LimitedLineEdit.h"

LimitedLineEdit::LimitedLineEdit(int typing_limit, Case letter_case, QWidget* parent)
    : QLineEdit(parent), typing_limit_(typing_limit), letter_case_(letter_case) {
    connect(this, &QLineEdit::textEdited, this, &LimitedLineEdit::OnTextEdited);
    connect(this, &QLineEdit::textChanged, this, [this] { accepted_ = text(); });
}

void LimitedLineEdit::OnTextEdited(const QString& edited) {
    QString text = edited;
    int cursor = cursorPosition();
    const qsizetype allowed = std::max<qsizetype>(typing_limit_, accepted_.size());
    if (text.size() > allowed) {
        // Drop what was just inserted beyond the limit: the characters before the cursor.
        const qsizetype excess = text.size() - allowed;
        const qsizetype from = std::max<qsizetype>(0, cursor - excess);
        text.remove(from, excess);
        cursor = int(from);
    }
    if (letter_case_ == Case::Capitals) {
        text = text.toUpper();
    }
    if (text != edited) {
        QLineEdit::setText(text);
        setCursorPosition(std::min<int>(cursor, int(text.size())));
    }
}

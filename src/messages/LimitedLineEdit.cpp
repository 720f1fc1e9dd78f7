#include "LimitedLineEdit.h"

#include <algorithm>

namespace {

// The typed characters' capitals, taken whole character by whole character while
// they fit in `room`: "ß" becomes "SS" and goes in only when both letters fit.
QString CapitalsThatFit(const QString& typed, qsizetype room, bool capitals) {
    QString kept;
    for (qsizetype i = 0; i < typed.size();) {
        const qsizetype length = typed.at(i).isHighSurrogate() && i + 1 < typed.size() ? 2 : 1;
        const QString character = typed.mid(i, length);
        const QString shown = capitals ? character.toUpper() : character;
        if (kept.size() + shown.size() > room) {
            break;
        }
        kept += shown;
        i += length;
    }
    return kept;
}

}  // namespace

LimitedLineEdit::LimitedLineEdit(int typing_limit, Case letter_case, QWidget* parent)
    : QLineEdit(parent), typing_limit_(typing_limit), letter_case_(letter_case) {
    connect(this, &QLineEdit::textEdited, this, &LimitedLineEdit::OnTextEdited);
    connect(this, &QLineEdit::textChanged, this, [this] { accepted_ = text(); });
}

void LimitedLineEdit::OnTextEdited(const QString& edited) {
    // What the edit inserted is what lies between the unchanged start of the text and
    // the cursor, which stands after the inserted characters; the text after the
    // cursor is the old text's end. Only that part is typed: the rest, whatever its
    // case, stays as the caller put it in.
    const qsizetype cursor = std::clamp<qsizetype>(cursorPosition(), 0, edited.size());
    const qsizetype tail = edited.size() - cursor;
    if (tail > accepted_.size() || edited.right(tail) != accepted_.right(tail)) {
        return;  // not an insertion at the cursor (cannot happen by typing)
    }
    qsizetype head = 0;
    const qsizetype head_limit = std::min(cursor, accepted_.size() - tail);
    while (head < head_limit && edited.at(head) == accepted_.at(head)) {
        ++head;
    }
    const QString typed = edited.mid(head, cursor - head);
    const QString kept_text = edited.left(head) + edited.right(tail);
    // The limit counts the capitals, not the keys: the text after the edit is never
    // longer than the limit, or than the text before the edit when that was longer.
    const qsizetype allowed = std::max<qsizetype>(typing_limit_, accepted_.size());
    const QString inserted = CapitalsThatFit(
        typed, std::max<qsizetype>(0, allowed - kept_text.size()), letter_case_ == Case::Capitals);
    const QString text = edited.left(head) + inserted + edited.right(tail);
    if (text != edited) {
        QLineEdit::setText(text);
        setCursorPosition(int(head + inserted.size()));
    }
}

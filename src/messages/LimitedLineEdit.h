#pragma once

#include <QLineEdit>

// A one-line text field whose limit applies to typing only: a longer text put in by
// the program is shown and given back whole, and may still be shortened by the
// operator, but no edit can make it longer than max(limit, its length before the
// edit). QLineEdit::setMaxLength would cut the program's text as well. Capitals
// apply to what is typed only, and the limit counts them ("ß" types as "SS").
class LimitedLineEdit : public QLineEdit {
    Q_OBJECT

  public:
    enum class Case { Keep, Capitals };

    LimitedLineEdit(int typing_limit, Case letter_case, QWidget* parent = nullptr);

  private:
    void OnTextEdited(const QString& text);

    int typing_limit_;
    Case letter_case_;
    // The text before the edit being handled: QLineEdit reports an edit (textEdited)
    // before the change (textChanged), so this still holds the earlier text then.
    QString accepted_;
};

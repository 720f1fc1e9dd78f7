#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

// Labels of `window` that would render their text as markup instead of showing it as
// it is: a text Qt takes for rich text in a label that does not insist on plain text.
// Names, message lines and lap texts come from the operator and from files, so each
// must appear as typed ("<u>Ola</u>", not an underlined "Ola").
inline QStringList LabelsReadingMarkup(const QWidget& window) {
    QStringList found;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        const bool rich =
            label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (rich) {
            found << label->objectName() + QStringLiteral(": ") + label->text();
        }
    }
    return found;
}

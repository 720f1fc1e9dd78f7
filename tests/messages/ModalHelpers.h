#pragma once

#include <QApplication>
#include <QString>
#include <QTimer>
#include <functional>
#include <ostream>
#include "QtPrinters.h"

// Readable QString values in failure messages.

// Runs `answer` on the modal dialog that the next exec() opens. Queue it before the
// call that opens the dialog.
template <typename Dialog>
void AnswerNextModal(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "expected modal dialog did not open";
            if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();
            }
            return;
        }
        answer(dialog);
    });
}

template <typename Widget>
Widget* Child(QWidget* parent, const char* name) {
    auto* child = parent->findChild<Widget*>(QString::fromUtf8(name));
    if (child == nullptr) {
        ADD_FAILURE() << "no child " << name;
    }
    return child;
}

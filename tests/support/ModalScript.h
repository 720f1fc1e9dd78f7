#pragma once

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

// Answers the modal windows that open while it lives, in order, with the next of
// `answers`; seen() lists their class names. An answer that opens a further modal
// window must do so from a queued call (Later), so that this poll can answer it.
class ModalScript {
  public:
    explicit ModalScript(std::vector<std::function<void(QWidget*)>> answers)
        : answers_(std::move(answers)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal == last_ || next_ >= answers_.size()) {
                return;
            }
            last_ = modal;
            seen_ << QString::fromLatin1(modal->metaObject()->className());
            answers_[next_++](modal);
        });
        timer_.start();
    }
    const QStringList& seen() const { return seen_; }
    bool done() const { return next_ == answers_.size(); }

  private:
    std::vector<std::function<void(QWidget*)>> answers_;
    size_t next_ = 0;
    QWidget* last_ = nullptr;
    QStringList seen_;
    QTimer timer_;
};

// Runs f once control is back in the event loop.
inline void Later(std::function<void()> f) {
    QTimer::singleShot(0, std::move(f));
}

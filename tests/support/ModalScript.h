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
    // An answer for the next modal window that is a waits_for (any class when null):
    // between one window closing and the next opening, the window below is the active
    // modal one again, and must not take the next window's answer.
    struct Step {
        const char* waits_for = nullptr;
        std::function<void(QWidget*)> answer;
    };
    explicit ModalScript(std::vector<std::function<void(QWidget*)>> answers) {
        for (auto& answer : answers) {
            steps_.push_back({nullptr, std::move(answer)});
        }
        Start();
    }
    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) { Start(); }
    const QStringList& seen() const { return seen_; }
    bool done() const { return next_ == steps_.size(); }

  private:
    void Start() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal == last_ || next_ >= steps_.size()) {
                return;
            }
            const Step& step = steps_[next_];
            if (step.waits_for != nullptr && !modal->inherits(step.waits_for)) {
                return;
            }
            last_ = modal;
            seen_ << QString::fromLatin1(modal->metaObject()->className());
            ++next_;
            step.answer(modal);
        });
        timer_.start();
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    QWidget* last_ = nullptr;
    QStringList seen_;
    QTimer timer_;
};

// Runs f once control is back in the event loop.
inline void Later(std::function<void()> f) {
    QTimer::singleShot(0, std::move(f));
}

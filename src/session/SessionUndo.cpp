#include "SessionUndo.h"

#include <algorithm>

void SessionUndo::DeletionUndone() {
    const auto latest = std::find_if(steps_.rbegin(), steps_.rend(), [](const Step& step) {
        return step.kind == Kind::kLapDeletion;
    });
    if (latest != steps_.rend()) {
        steps_.erase(std::next(latest).base());
    }
}

void SessionUndo::StopwatchStarted(int slot) {
    std::erase_if(steps_, [slot](const Step& step) {
        return step.kind == Kind::kStopwatchStop && step.slot == slot;
    });
}

std::optional<SessionUndo::Step> SessionUndo::Pop() {
    if (steps_.empty()) {
        return std::nullopt;
    }
    const Step step = steps_.back();
    steps_.pop_back();
    return step;
}

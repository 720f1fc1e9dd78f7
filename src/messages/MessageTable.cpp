#include "MessageTable.h"

#include <algorithm>

void MessageTable::Reset(std::vector<StoredMessage> rows) {
    rows_ = std::move(rows);
    current_ = count() - 1;
    first_visible_ = 0;
    ShowCurrent();
}

void MessageTable::SetCurrent(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    current_ = index;
    ShowCurrent();
}

void MessageTable::Step(int rows) {
    if (rows_.empty()) {
        return;
    }
    SetCurrent(std::clamp(current_ + rows, 0, count() - 1));
}

void MessageTable::Append(const StoredMessage& row) {
    rows_.push_back(row);
    SetCurrent(count() - 1);
}

void MessageTable::DeleteCurrent() {
    if (!HasCurrent()) {
        return;
    }
    rows_.erase(rows_.begin() + current_);
    current_ = std::min(current_, count() - 1);
    first_visible_ = std::clamp(first_visible_, 0, std::max(0, count() - kPageRows));
    ShowCurrent();
}

void MessageTable::UpdateCurrent(const StoredMessage& row) {
    if (!HasCurrent()) {
        return;
    }
    rows_[size_t(current_)] = row;
}

void MessageTable::ShowCurrent() {
    if (current_ < 0) {
        first_visible_ = 0;
        return;
    }
    // Scroll only as far as needed to bring the current row onto the page.
    if (current_ < first_visible_) {
        first_visible_ = current_;
    } else if (current_ >= first_visible_ + kPageRows) {
        first_visible_ = current_ - kPageRows + 1;
    }
}

#pragma once

#include <vector>

#include "MessageStore.h"

// The message list while its window is open: rows in file order, one current row
// (none when empty) and the page of six rows that shows it.
class MessageTable {
  public:
    static constexpr int kPageRows = 6;

    // Replaces all rows; the last row becomes current, shown at the foot of its page.
    void Reset(std::vector<StoredMessage> rows);

    int count() const { return int(rows_.size()); }
    const std::vector<StoredMessage>& rows() const { return rows_; }
    const StoredMessage& row(int index) const { return rows_.at(size_t(index)); }

    // 0-based index of the current row, -1 when the table is empty.
    int current() const { return current_; }
    bool HasCurrent() const { return current_ >= 0 && rows_[size_t(current_)].nr > 0; }
    const StoredMessage& current_row() const { return rows_.at(size_t(current_)); }

    // 0-based index of the row shown at the top of the page.
    int first_visible() const { return first_visible_; }

    void SetCurrent(int index);
    // Moves the current row by up to `rows` steps (negative: back), stopping at the ends.
    void Step(int rows);
    // Appends a row, which becomes current.
    void Append(const StoredMessage& row);
    // Deletes the current row; the following row becomes current, or the preceding
    // one when the last row was deleted.
    void DeleteCurrent();
    void UpdateCurrent(const StoredMessage& row);

  private:
    void ShowCurrent();

    std::vector<StoredMessage> rows_;
    int current_ = -1;
    int first_visible_ = 0;
};

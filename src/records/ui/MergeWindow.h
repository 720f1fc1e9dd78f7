#pragma once

#include <QDialog>
#include <vector>

#include "DriverIdentity.h"
#include "RecordsIndex.h"

class QListWidget;

// "Near duplicates": names that look like one driver (with and without Polish
// letters, or one letter apart), to merge into the name the operator keeps, and the
// merges made so far, to undo. Merges go to records.ini and the index; session
// files are never touched.
class MergeWindow : public QDialog {
    Q_OBJECT

  public:
    MergeWindow(RecordsIndex& index, QWidget* parent = nullptr);

    void Reload();
    // Merges the selected pair, keeping the first name (or the second).
    void MergeSelected(bool keep_first);
    void UndoSelected();

  private:
    RecordsIndex& index_;
    std::vector<NearDuplicate> pairs_;
    QStringList merged_;
    QListWidget* pair_list_ = nullptr;
    QListWidget* merge_list_ = nullptr;
};

#include "MergeWindow.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

MergeWindow::MergeWindow(RecordsIndex& index, QWidget* parent) : QDialog(parent), index_(index) {
    setObjectName(QStringLiteral("MergeWindow"));
    setWindowTitle(QStringLiteral("Near duplicates"));
    resize(520, 420);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Names that may be one driver:"), this));
    pair_list_ = new QListWidget(this);
    pair_list_->setObjectName(QStringLiteral("NearDuplicates"));
    layout->addWidget(pair_list_, 2);
    auto* pair_buttons = new QHBoxLayout;
    auto* keep_first = new QPushButton(QStringLiteral("Merge, keep left name"), this);
    keep_first->setObjectName(QStringLiteral("KeepLeft"));
    auto* keep_second = new QPushButton(QStringLiteral("Merge, keep right name"), this);
    keep_second->setObjectName(QStringLiteral("KeepRight"));
    pair_buttons->addWidget(keep_first);
    pair_buttons->addWidget(keep_second);
    layout->addLayout(pair_buttons);
    layout->addWidget(new QLabel(QStringLiteral("Merged names:"), this));
    merge_list_ = new QListWidget(this);
    merge_list_->setObjectName(QStringLiteral("MergedNames"));
    layout->addWidget(merge_list_, 1);
    auto* bottom = new QHBoxLayout;
    auto* undo = new QPushButton(QStringLiteral("Undo merge"), this);
    undo->setObjectName(QStringLiteral("UndoMerge"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    bottom->addWidget(undo);
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    connect(keep_first, &QPushButton::clicked, this, [this] { MergeSelected(true); });
    connect(keep_second, &QPushButton::clicked, this, [this] { MergeSelected(false); });
    connect(undo, &QPushButton::clicked, this, &MergeWindow::UndoSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    Reload();
}

void MergeWindow::Reload() {
    QStringList keys;
    QHash<QString, QString> names;
    pair_list_->clear();
    merge_list_->clear();
    merged_.clear();
    const std::vector<DriverName> drivers = index_.Drivers();
    for (const DriverName& driver : drivers) {
        names.insert(driver.key, driver.name);
    }
    for (const DriverName& driver : drivers) {
        if (driver.merged_into.isEmpty()) {
            keys.append(driver.key);
        } else {
            merged_.append(driver.key);
            merge_list_->addItem(
                QStringLiteral("%1  ->  %2").arg(driver.name, names.value(driver.merged_into)));
        }
    }
    pairs_ = FindNearDuplicates(keys);
    for (const NearDuplicate& pair : pairs_) {
        pair_list_->addItem(
            QStringLiteral("%1    |    %2").arg(names.value(pair.key_a), names.value(pair.key_b)));
    }
    pair_list_->setCurrentRow(pairs_.empty() ? -1 : 0);
}

void MergeWindow::MergeSelected(bool keep_first) {
    const int row = pair_list_->currentRow();
    if (row < 0 || row >= int(pairs_.size())) {
        return;
    }
    const NearDuplicate& pair = pairs_.at(size_t(row));
    const bool merged =
        keep_first ? index_.Merge(pair.key_b, pair.key_a) : index_.Merge(pair.key_a, pair.key_b);
    if (!merged) {
        QMessageBox::warning(
            this, QStringLiteral("Near duplicates"),
            QStringLiteral("The merge could not be saved: %1").arg(index_.last_error()));
    }
    Reload();
}

void MergeWindow::UndoSelected() {
    const int row = merge_list_->currentRow();
    if (row < 0 || row >= merged_.size()) {
        return;
    }
    if (!index_.Unmerge(merged_.at(row))) {
        QMessageBox::warning(
            this, QStringLiteral("Near duplicates"),
            QStringLiteral("The merge could not be undone: %1").arg(index_.last_error()));
    }
    Reload();
}

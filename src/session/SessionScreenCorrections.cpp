// The session screen's lap correction and undo: the menu on a lap, the
// confirmation, and Ctrl+Z.
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "BestLapsGrid.h"
#include "KartColumn.h"
#include "KartTiming.h"
#include "LapTable.h"
#include "SessionControls.h"
#include "Tfekranglowny.h"

void Tfekranglowny::ShowLapMenu(int slot, int row, const QPoint& global_position) {
    if (!IsValidSlot(slot) || can_close_) {
        return;  // an ended session is not corrected any more
    }
    // The lap is fixed here, by id: a lap that arrives while the menu or the
    // confirmation is open moves the rows but not the lap chosen.
    const std::optional<int> lap_id =
        row == 0 ? laps_.LastLap(slot) : laps_.TableLap(station_.slot(slot), slot, row);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("LapCorrectionMenu"));
    QAction* delete_lap = menu.addAction(QStringLiteral("Delete this lap"));
    delete_lap->setObjectName(QStringLiteral("DeleteLapAction"));
    delete_lap->setEnabled(lap_id.has_value());
    QAction* undo = nullptr;
    if (laps_.CanUndo()) {
        undo = menu.addAction(QStringLiteral("Undo"));
        undo->setObjectName(QStringLiteral("UndoLapAction"));
        undo->setShortcut(QKeySequence::Undo);
    }
    const QAction* chosen = menu.exec(global_position);
    if (chosen == nullptr) {
        return;
    }
    if (chosen == undo) {
        UndoLapCorrection();
        return;
    }
    if (chosen == delete_lap && lap_id) {
        const SessionLap* lap = laps_.Find(*lap_id);
        if (lap && !lap->deleted && ConfirmLapDeletion(*lap)) {
            DeleteLap(*lap_id);
        }
    }
}

bool Tfekranglowny::ConfirmLapDeletion(const SessionLap& lap) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Delete this lap"),
                    LapDeletionQuestion(lap, station_.slot(lap.slot).driver_name),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("LapCorrectionConfirm"));
    QPushButton* delete_button =
        box.addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    delete_button->setObjectName(QStringLiteral("DeleteLapButton"));
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelDeleteButton"));
    // Enter from a stray key (a foot switch, a clicker) must not delete a lap.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == delete_button;
}

bool Tfekranglowny::DeleteLap(int lap_id) {
    if (can_close_) {
        return false;
    }
    if (!laps_.Delete(lap_id, station_.clock().LocalDateTime())) {
        return false;
    }
    undo_.LapDeleted();
    const SessionLap& lap = *laps_.Find(lap_id);
    RedrawAfterCorrection(lap.slot);
    FormatCorrection(lap);
    ReportCorrection(lap);
    return true;
}

bool Tfekranglowny::UndoLapCorrection() {
    if (!RestoreLastDeletedLap()) {
        return false;
    }
    undo_.DeletionUndone();
    return true;
}

bool Tfekranglowny::RestoreLastDeletedLap() {
    if (can_close_) {
        return false;
    }
    const std::optional<int> lap_id = laps_.Undo();
    if (!lap_id) {
        return false;
    }
    const SessionLap& lap = *laps_.Find(*lap_id);
    RedrawAfterCorrection(lap.slot);
    FormatCorrection(lap);
    ReportCorrection(lap);
    return true;
}

void Tfekranglowny::RedrawAfterCorrection(int slot) {
    KartSlot& kart = station_.slot(slot);
    laps_.Recompute(kart, slot);
    DrawBestLaps(slot, DrawLapTable(kart), true);
    columns_[size_t(slot - 1)]->Draw(kart, station_.current_lap_time(slot));
}

void Tfekranglowny::ReportCorrection(const SessionLap& lap) {
    if (!actions_.lap_corrected) {
        return;
    }
    LapCorrection correction;
    correction.slot = lap.slot;
    correction.lap_sequence = lap.id;
    correction.lap_number = lap.lap_number;
    correction.lap_time = lap.lap_time;
    correction.deleted = lap.deleted;
    correction.at = lap.deleted ? lap.deleted_at : station_.clock().LocalDateTime();
    actions_.lap_corrected(correction);
}

bool Tfekranglowny::Undo() {
    if (can_close_) {
        return false;
    }
    while (const std::optional<SessionUndo::Step> step = undo_.Pop()) {
        if (step->kind == SessionUndo::Kind::kLapDeletion) {
            if (RestoreLastDeletedLap()) {
                return true;
            }
            continue;
        }
        if (RestartStoppedStopwatch(station_.slot(step->slot), step->timing_mark,
                                    step->lap_number)) {
            ShowStopwatchState(step->slot);
            RefreshKarts();
            return true;
        }
    }
    return false;
}

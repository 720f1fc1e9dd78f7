#pragma once

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <vector>

#include "Text.h"

// Latest timing values of one unit heard by the receiver (one row per serial).
struct MemdaneRow {
    qint64 sn = 0;
    qint32 adres_wezla = 0;
    bool wyscig_trwa = false;
    qint32 numer_okrazenia = 0;
    qint32 numer_sektora = 0;
    qint32 ilosc_paskow = 0;
    qint32 nr_okrazenia_sek = 0;
    qint32 akt_numer_okrazenia = 0;
    qint32 akt_numer_sektora = 0;
    qint32 czas_okrazenia = 0;
    BoundedText<20> czas_okrazenia_str;
    qint32 czas_sektora = 0;
    BoundedText<20> czas_sektora_str;
    qint32 obroty_max_okr = 0;
    qint32 obroty_min_okr = 0;
    qint32 obroty_max_sektor = 0;
    qint32 obroty_min_sektor = 0;
    qint32 v_bat = 0;
    qint32 v_aku = 0;
    qint32 aktualny_czas_okr = 0;
    BoundedText<20> aktualny_czas_okr_str;
    qint32 akt_czas_sesji = 0;
    BoundedText<20> akt_czas_sesji_str;
    qint32 aktualne_obroty = 0;
    qint32 czas_naj = 0;
    BoundedText<20> czas_naj_str;
    BoundedText<20> kierowca;
};

// The in-memory mirror of every unit heard: one row per serial number, the most
// recently heard unit last.
class Memdane {
  public:
    void Clear() { rows_.clear(); }
    // Deletes the row with the same serial number (if any), then appends. Runs for
    // every frame: the old row is rotated to the end and overwritten, which moves
    // the rows instead of copying their texts.
    void Replace(MemdaneRow row) {
        const auto old = std::find_if(rows_.begin(), rows_.end(),
                                      [&row](const MemdaneRow& r) { return r.sn == row.sn; });
        if (old == rows_.end()) {
            rows_.push_back(std::move(row));
            return;
        }
        std::rotate(old, old + 1, rows_.end());
        rows_.back() = std::move(row);
    }
    // The row of the serial number moved to the end, for updating in place: the
    // decoder then builds again only the texts whose values changed. A unit not
    // heard before gets a default row with that serial number (created is true).
    MemdaneRow& MoveToEnd(qint64 sn, bool& created) {
        const auto old = std::find_if(rows_.begin(), rows_.end(),
                                      [sn](const MemdaneRow& r) { return r.sn == sn; });
        created = old == rows_.end();
        if (created) {
            rows_.emplace_back().sn = sn;
        } else {
            std::rotate(old, old + 1, rows_.end());
        }
        return rows_.back();
    }
    const std::vector<MemdaneRow>& rows() const { return rows_; }

  private:
    std::vector<MemdaneRow> rows_;
};

#include "RaceScoring.h"

#include <algorithm>

namespace {

bool RankedAhead(Scoring scoring, const KartTally& a, const KartTally& b) {
    if (scoring == Scoring::kBestLap) {
        return a.best_lap < b.best_lap;
    }
    if (a.laps != b.laps) {
        return a.laps > b.laps;
    }
    return a.last_crossing < b.last_crossing;
}

bool SamePlace(Scoring scoring, const KartTally& a, const KartTally& b) {
    if (scoring == Scoring::kBestLap) {
        return a.best_lap == b.best_lap;
    }
    return a.laps == b.laps && (a.laps == 0 || a.last_crossing == b.last_crossing);
}

Gap GapBetween(Scoring scoring, const KartTally& front, const KartTally& back) {
    if (scoring == Scoring::kBestLap) {
        return {0, qint64(back.best_lap) - front.best_lap};
    }
    if (back.laps == 0) {
        return {};  // nothing driven: nothing to measure
    }
    if (front.laps != back.laps) {
        return {front.laps - back.laps, 0};
    }
    return {0, back.last_crossing - front.last_crossing};
}

}  // namespace

std::vector<Standing> Rank(Scoring scoring, const std::array<KartTally, kSlotCount>& karts) {
    std::vector<Standing> order;
    for (int s = 1; s <= kSlotCount; ++s) {
        const KartTally& k = karts[size_t(s - 1)];
        const bool ranked = scoring == Scoring::kBestLap ? k.best_lap > 0 : k.taking_part;
        if (ranked) {
            order.push_back(Standing{s, 0, k, {}, {}});
        }
    }
    // Stable: karts in the same place stay in slot order.
    std::stable_sort(order.begin(), order.end(), [scoring](const Standing& a, const Standing& b) {
        return RankedAhead(scoring, a.tally, b.tally);
    });
    for (size_t i = 0; i < order.size(); ++i) {
        Standing& here = order[i];
        if (i == 0) {
            here.position = 1;
            continue;
        }
        const Standing& ahead = order[i - 1];
        here.position = SamePlace(scoring, ahead.tally, here.tally) ? ahead.position : int(i) + 1;
        here.to_leader = GapBetween(scoring, order.front().tally, here.tally);
        here.to_ahead = GapBetween(scoring, ahead.tally, here.tally);
    }
    return order;
}

QString GapText(const Gap& gap) {
    if (gap.laps > 0) {
        return QStringLiteral("+%1 %2").arg(gap.laps).arg(gap.laps == 1 ? QStringLiteral("LAP")
                                                                        : QStringLiteral("LAPS"));
    }
    if (gap.time <= 0) {
        return QString();
    }
    return QStringLiteral("+%1.%2")
        .arg(gap.time / 100)
        .arg(gap.time % 100, 2, 10, QLatin1Char('0'));
}

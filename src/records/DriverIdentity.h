#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// A driver is the name as typed: "Jan  Kowalski ", "jan kowalski" and "JAN KOWALSKI"
// are one driver. The key drops case, blanks at the ends and repeated blanks; it
// keeps Polish letters, so "Łukasz" and "Lukasz" stay two drivers until the
// operator merges them.
QString DriverKey(const QString& name);

// The key with Polish letters replaced by their plain forms (ą -> a, ł -> l, ...).
QString FoldPolishLetters(const QString& key);

// Whether two different keys look like one driver: the same once Polish letters are
// folded, or one letter apart (one letter added, dropped or replaced).
bool NearlySameDriver(const QString& key_a, const QString& key_b);

struct NearDuplicate {
    QString key_a;
    QString key_b;
};

// Every pair of keys that NearlySameDriver takes for one driver, each pair once,
// in the order of the keys given.
std::vector<NearDuplicate> FindNearDuplicates(const QStringList& keys);

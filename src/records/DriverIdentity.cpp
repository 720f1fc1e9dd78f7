#include "DriverIdentity.h"

#include <QHash>

QString DriverKey(const QString& name) {
    return name.simplified().toCaseFolded();
}

QString FoldPolishLetters(const QString& key) {
    static const QString kPolish = QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
    static const QString kPlain = QStringLiteral("acelnoszzACELNOSZZ");
    QString folded = key;
    for (QChar& c : folded) {
        const qsizetype at = kPolish.indexOf(c);
        if (at >= 0) {
            c = kPlain.at(at);
        }
    }
    return folded;
}

namespace {

// One edit (insert, delete or replace) turns a into b; a and b differ.
bool OneEditApart(QStringView a, QStringView b) {
    if (a.size() > b.size()) {
        std::swap(a, b);
    }
    if (b.size() - a.size() > 1) {
        return false;
    }
    qsizetype i = 0;
    while (i < a.size() && a.at(i) == b.at(i)) {
        ++i;
    }
    if (a.size() == b.size()) {
        return a.mid(i + 1) == b.mid(i + 1);
    }
    return a.mid(i) == b.mid(i + 1);
}

}  // namespace

bool NearlySameDriver(const QString& key_a, const QString& key_b) {
    if (key_a == key_b) {
        return false;
    }
    const QString folded_a = FoldPolishLetters(key_a);
    const QString folded_b = FoldPolishLetters(key_b);
    return folded_a == folded_b || OneEditApart(folded_a, folded_b);
}

std::vector<NearDuplicate> FindNearDuplicates(const QStringList& keys) {
    // Names one edit apart differ in length by at most one: bucket by length so
    // two thousand drivers compare only with their neighbours.
    QHash<qsizetype, QList<qsizetype>> by_length;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        by_length[keys.at(i).size()].append(i);
    }
    std::vector<NearDuplicate> pairs;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const qsizetype length = keys.at(i).size();
        for (qsizetype other_length : {length, length + 1}) {
            for (qsizetype j : by_length.value(other_length)) {
                if ((other_length == length && j <= i) ||
                    !NearlySameDriver(keys.at(i), keys.at(j))) {
                    continue;
                }
                pairs.push_back({keys.at(i), keys.at(j)});
            }
        }
    }
    return pairs;
}

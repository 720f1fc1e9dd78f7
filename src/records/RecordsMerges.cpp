#include "RecordsMerges.h"

#include "DriverIdentity.h"
#include "IniFile.h"

namespace {
const QString kMergesSection = QStringLiteral("Merges");
}

QString RecordsMerges::PathIn(const QString& program_folder) {
    return program_folder + QStringLiteral("records.ini");
}

RecordsMerges RecordsMerges::Load(const QString& path) {
    RecordsMerges merges;
    const IniFile ini = IniFile::Load(path);
    for (int n = 1;; ++n) {
        const auto from = ini.Value(kMergesSection, QStringLiteral("From%1").arg(n));
        const auto into = ini.Value(kMergesSection, QStringLiteral("Into%1").arg(n));
        if (!from || !into) {
            break;
        }
        merges.Merge(DriverKey(*from), DriverKey(*into));
    }
    return merges;
}

bool RecordsMerges::Save(const QString& path, QString* error_message) const {
    // The file holds nothing else: it is written whole, in a steady order.
    QStringList aliases = into_.keys();
    aliases.sort();
    QList<IniFile::Entry> entries;
    int n = 0;
    for (const QString& alias : aliases) {
        ++n;
        entries.append({QStringLiteral("From%1").arg(n), alias});
        entries.append({QStringLiteral("Into%1").arg(n), into_.value(alias)});
    }
    IniFile ini;
    ini.WriteStrings(kMergesSection, entries);
    return ini.Save(path, error_message);
}

void RecordsMerges::Merge(const QString& alias_key, const QString& target_key) {
    const QString target = Resolve(target_key);
    if (alias_key.isEmpty() || target == alias_key) {
        return;
    }
    into_.insert(alias_key, target);
}

void RecordsMerges::Unmerge(const QString& alias_key) {
    into_.remove(alias_key);
}

QString RecordsMerges::Resolve(const QString& key) const {
    QString at = key;
    // A hand-edited file may hold a loop; it ends after as many steps as entries.
    for (qsizetype steps = 0; steps <= into_.size() && into_.contains(at); ++steps) {
        at = into_.value(at);
    }
    return at;
}

QHash<QString, QString> RecordsMerges::Resolved() const {
    QHash<QString, QString> resolved;
    for (auto it = into_.cbegin(); it != into_.cend(); ++it) {
        const QString target = Resolve(it.key());
        if (target != it.key()) {
            resolved.insert(it.key(), target);
        }
    }
    return resolved;
}

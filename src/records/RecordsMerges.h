#pragma once

#include <QHash>
#include <QString>

// The operator's merges of drivers, kept in records.ini beside the index, section
// [Merges]: From1=<name>, Into1=<name>, From2=... (keys as DriverKey gives them).
// The index holds a copy; this file is what survives a rebuild of the index.
// Session files are never rewritten.
class RecordsMerges {
  public:
    static QString PathIn(const QString& program_folder);
    static RecordsMerges Load(const QString& path);
    bool Save(const QString& path, QString* error_message) const;

    // alias is the same driver as target from now on. A target that is itself an
    // alias resolves to its own target; merging a name into itself does nothing.
    void Merge(const QString& alias_key, const QString& target_key);
    void Unmerge(const QString& alias_key);
    // The key a driver's laps count under.
    QString Resolve(const QString& key) const;
    // alias -> final target, chains resolved.
    QHash<QString, QString> Resolved() const;

  private:
    QHash<QString, QString> into_;  // alias -> target as stored
};

#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ProgramFolder.h"

// A fresh program folder for one test, removed afterwards.
class TempFolder {
  public:
    QString path() const { return WithTrailingSeparator(dir_.path()); }
    QString file(const QString& name) const { return path() + name; }

    void Write(const QString& name, const QByteArray& bytes) const {
        const QString full = file(name);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile out(full);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(bytes);
        }
    }
    QByteArray Read(const QString& name) const {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

  private:
    QTemporaryDir dir_;
};

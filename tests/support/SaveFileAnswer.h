#pragma once

#include <gtest/gtest.h>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>

// Answers a save dialog (Qt's own, not the desktop's) with `path`, typed into its
// file-name field, and accepts it. Not with selectFile(): from Qt 6.8 on it leaves
// that field alone while the field has focus, and whether the field has focus yet
// when a test answers depends on the window system's timing.
inline void SaveFileAs(QFileDialog* dialog, const QString& path) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr) << "the dialog has no file-name field";
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

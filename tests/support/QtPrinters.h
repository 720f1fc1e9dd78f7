#pragma once

#include <QString>
#include <ostream>

// GoogleTest prints a QString in its failure messages as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

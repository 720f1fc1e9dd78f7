#pragma once

#include <QtGlobal>

#include "Station.h"

// Little-endian fields of a 64-byte receiver frame. Offsets are compile-time
// constants within the frame, so these never read outside it.

inline quint16 ReadU16(const Frame& frame, size_t at) {
    return quint16(frame.at(at) | (frame.at(at + 1) << 8));
}

inline quint32 ReadU32(const Frame& frame, size_t at) {
    return quint32(frame.at(at)) | (quint32(frame.at(at + 1)) << 8) |
           (quint32(frame.at(at + 2)) << 16) | (quint32(frame.at(at + 3)) << 24);
}

inline qint16 ReadI16(const Frame& frame, size_t at) {
    return qint16(ReadU16(frame, at));
}

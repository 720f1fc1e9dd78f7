#pragma once

#include <QPixmap>
#include <QSize>

// The session screen's pictures, painted at run time so the program ships no image
// files. Big shapes and bold words: they are read from two metres away.
namespace Artwork {

inline constexpr int kTileSize = 98;

QPixmap Banner(QSize size);             // the top bar
QPixmap StartTile();                    // green, white play triangle over "START"
QPixmap StopTile();                     // red, white square over "STOP"
QPixmap Stopwatch(bool pressed);        // the lap button
QPixmap MagnifyingGlass(bool pressed);  // the sensor button

}  // namespace Artwork

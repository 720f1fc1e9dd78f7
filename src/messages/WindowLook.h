#pragma once

#include <QFont>

#include "Colour.h"

class QWidget;

// Arial at a character height in pixels, as the windows of this program use it.
QFont ArialPixels(int pixel_size);

// Fills a widget's background with a solid colour.
void FillBackground(QWidget* widget, Colour colour);

// Sets the colour of a widget's text (labels, line edits).
void SetTextColour(QWidget* widget, Colour colour);

#pragma once

class SheetCanvas;

// The whole session on one page: the ranked result, each driver's figures and all
// karts on one lap chart.
void PaintSummaryPage(SheetCanvas& canvas);

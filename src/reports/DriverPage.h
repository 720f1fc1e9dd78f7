#pragma once

class SheetCanvas;
struct DriverSheet;

// One driver's sheet: figures, lap chart and every lap in the order driven (deleted
// laps struck out), going on over further pages when the laps do not fit. The
// canvas stands at the top of a fresh page.
void PaintDriverPages(SheetCanvas& canvas, const DriverSheet& driver);

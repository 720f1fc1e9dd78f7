#pragma once

// Keeps the windows at one device pixel per design pixel. Call before the
// QApplication is created.
//
// Every window is laid out in fixed pixels with pixel-sized fonts, for the 1326 x 719
// session screen and its peers. Scaled by the desktop (150% on a high-density
// screen) or by QT_SCALE_FACTOR, Qt shrinks the logical screen below the design
// and the maximised session screen loses its lower rows under the bottom bar.
// Unscaled, the windows come out smaller on such a screen but whole.
void KeepDesignPixels();

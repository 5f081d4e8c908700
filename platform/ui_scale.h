// The wizard's layout at any pixel density. Every place and size of the layout table and the
// page builders is given in pixels at 96 pixels per inch; the window scales them to its own
// density when it creates a control and again when it moves to a monitor of another density.
// Fonts keep their size in points, so 9 points stay 9 points: 12 pixels at 96 DPI, 18 at 144.
#pragma once

#include "platform/ui.h"

namespace quenlo::ui {

// The density the layout is drawn in.
inline constexpr int kDesignDpi = 96;

// A length of the layout at `dpi`, rounded to the nearest pixel, a half to the even one (the
// client area of 561 x 371 is 842 x 556 at 144 DPI).
int ScaleLength(int length, int dpi);

// A place at `dpi`, relative to its parent as the place is, the parent's own top left corner
// lying at `originLeft`, `originTop` of the window (at 96 DPI). Each edge is scaled where it lies
// in the window, not the width and height, so edges that meet at 96 DPI meet at every density,
// also across parents: rounding each size on its own would open a gap of a pixel here and an
// overlap there. An open width or height (0) stays open.
Place ScalePlace(const Place& place, int dpi, int originLeft = 0, int originTop = 0);

// The height in pixels of a font of `points` at `dpi` (LOGFONT's character height, positive).
int FontPixelHeight(int points, int dpi);

}  // namespace quenlo::ui

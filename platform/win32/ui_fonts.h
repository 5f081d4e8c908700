// Fonts of the controls: each control owns a font handle made from its own ui::Font, so that
// changing one control's font (a bold title) leaves the others as they are.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui.h"

namespace quenlo::win32 {

// The font a control has until it is given another: the window's font, 8-point MS Sans Serif.
ui::Font DefaultControlFont();

// A font handle owned by the object and deleted with it.
class OwnedFont {
 public:
  OwnedFont() = default;
  // Face as given (GBK); the height is the size in points at `dpi` pixels per inch, negative (a
  // character height, not a cell height) as LOGFONT takes it; bold is FW_BOLD, else FW_NORMAL.
  // A `pixelHeight` other than 0 is the character height in pixels instead of the size's.
  OwnedFont(const ui::Font& font, int dpi, int pixelHeight = 0);
  ~OwnedFont();
  OwnedFont(OwnedFont&& other) noexcept;
  OwnedFont& operator=(OwnedFont&& other) noexcept;
  OwnedFont(const OwnedFont&) = delete;
  OwnedFont& operator=(const OwnedFont&) = delete;

  HFONT handle() const { return handle_; }

 private:
  HFONT handle_ = nullptr;
};

// LOGFONT's height for a size in points at `dpi` pixels per inch: 9 points are -12 at 96 DPI,
// -18 at 144.
int FontHeightForPoints(int points, int dpi);

struct TextExtent {
  int width = 0;
  int height = 0;
};

// The size `text` takes when drawn in `font` as a label draws it: each carriage return or line
// feed (or the pair) breaks the line, no word wrap, "&" marks the next character as the
// accelerator and takes no room ("&&" is one "&"). An empty text measures as a single blank,
// one line high.
TextExtent MeasureLabelText(HFONT font, const std::string& text, int wrapWidth = 0);

// The height of a line of `font`'s characters (tmHeight).
int LineHeight(HFONT font);

}  // namespace quenlo::win32

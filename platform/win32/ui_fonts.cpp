#include "platform/win32/ui_fonts.h"
#include "platform/win32/wide_text.h"

#include <algorithm>
#include <utility>

#include "platform/ui_scale.h"

namespace quenlo::win32 {
namespace {

// A device context with a font selected, for measuring; restores the context's font on the way
// out. Text is measured in a memory context made once per thread: a screen context fetched for
// every measurement is costly, and a label set on every timer tick measures its text each time.
class MeasuringContext {
 public:
  explicit MeasuringContext(HFONT font) : dc_(ThreadContext()) {
    if (dc_ != nullptr && font != nullptr) previous_ = SelectObject(dc_, font);
  }
  ~MeasuringContext() {
    if (dc_ != nullptr && previous_ != nullptr) SelectObject(dc_, previous_);
  }
  MeasuringContext(const MeasuringContext&) = delete;
  MeasuringContext& operator=(const MeasuringContext&) = delete;

  HDC dc() const { return dc_; }

 private:
  static HDC ThreadContext() {
    // Kept for the thread's life: the UI thread measures until the program ends.
    thread_local const HDC context = CreateCompatibleDC(nullptr);
    return context;
  }

  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace

ui::Font DefaultControlFont() { return ui::Font{"MS Sans Serif", 8, false}; }

int FontHeightForPoints(int points, int dpi) { return -ui::FontPixelHeight(points, dpi); }

OwnedFont::OwnedFont(const ui::Font& font, int dpi, int pixelHeight) {
  LOGFONTW description = {};
  description.lfHeight = pixelHeight != 0 ? -pixelHeight : FontHeightForPoints(font.points, dpi);
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  // The texts are Chinese: the character set of code page 936, which a system of that code page
  // takes as its default anyway, makes the font mapper pick a face with Chinese glyphs on a
  // system of any other language too.
  description.lfCharSet = GB2312_CHARSET;
  description.lfOutPrecision = OUT_DEFAULT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = Wide(font.face);
  const std::size_t length = std::min(face.size(), std::size_t{LF_FACESIZE - 1});
  std::copy_n(face.begin(), length, description.lfFaceName);
  handle_ = CreateFontIndirectW(&description);
}

OwnedFont::~OwnedFont() {
  if (handle_ != nullptr) DeleteObject(handle_);
}

OwnedFont::OwnedFont(OwnedFont&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

OwnedFont& OwnedFont::operator=(OwnedFont&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) DeleteObject(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

TextExtent MeasureLabelText(HFONT font, const std::string& text, int wrapWidth) {
  const MeasuringContext context(font);
  if (context.dc() == nullptr) return {};
  const std::wstring measured = Wide(text.empty() ? std::string(" ") : text);
  RECT bounds = {0, 0, wrapWidth, 0};
  // Wrapped as a static control with SS_EDITCONTROL draws it.
  const UINT wrapping = wrapWidth > 0 ? DT_WORDBREAK | DT_EDITCONTROL : 0;
  DrawTextW(context.dc(), measured.c_str(), static_cast<int>(measured.size()), &bounds,
            DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_NOCLIP | wrapping);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

int LineHeight(HFONT font) {
  const MeasuringContext context(font);
  TEXTMETRICW metrics = {};
  if (context.dc() == nullptr || !GetTextMetricsW(context.dc(), &metrics)) return 0;
  return metrics.tmHeight;
}

}  // namespace quenlo::win32

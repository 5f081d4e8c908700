#include "platform/ui_scale.h"

#include <cstdint>

namespace quenlo::ui {
namespace {

// value * numerator / denominator (denominator > 0), rounded to the nearest whole number, a
// half to the even one: so 561 x 371 at 150 % is 842 x 556, and a run of lengths rounds up as
// often as down.
int MulDivRounded(int value, int numerator, int denominator) {
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  std::int64_t quotient = product / denominator;
  std::int64_t remainder = product % denominator;
  if (remainder < 0) {  // floor division
    remainder += denominator;
    --quotient;
  }
  const std::int64_t twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) ++quotient;
  return static_cast<int>(quotient);
}

}  // namespace

int ScaleLength(int length, int dpi) { return MulDivRounded(length, dpi, kDesignDpi); }

Place ScalePlace(const Place& place, int dpi, int originLeft, int originTop) {
  // Edges in the window, scaled, less the parent's scaled corner.
  const auto edge = [dpi](int origin, int offset) {
    return ScaleLength(origin + offset, dpi) - ScaleLength(origin, dpi);
  };
  Place scaled;
  scaled.left = edge(originLeft, place.left);
  scaled.top = edge(originTop, place.top);
  if (place.width != 0) scaled.width = edge(originLeft, place.left + place.width) - scaled.left;
  if (place.height != 0) scaled.height = edge(originTop, place.top + place.height) - scaled.top;
  return scaled;
}

int FontPixelHeight(int points, int dpi) { return MulDivRounded(points, dpi, 72); }

}  // namespace quenlo::ui

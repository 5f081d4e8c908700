// Pictures drawn at another size than their own: the wizard's artwork is drawn at 96 DPI in its
// own size and larger at higher densities. The system's stretching either repeats pixels (jagged
// edges) or, in some versions, blurs; this filter gives the same smooth result everywhere.
#pragma once

#include <cstdint>
#include <vector>

namespace quenlo::ui {

// A picture of three 8-bit channels a pixel (in any order; each is filtered on its own), rows
// from the top, each row padded to a multiple of 4 bytes as a 24-bit Windows bitmap lays it out.
struct Picture24 {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;  // RowBytes24(width) * height
};

// Bytes of one row of a Picture24 of `width` pixels.
int RowBytes24(int width);

// `source` at `width` x `height` (both at least 1). Each output pixel is the average of the
// source under a tent as wide as the larger of a source and an output pixel: linear
// interpolation between neighbours when enlarging, an average of every pixel covered when
// shrinking, so no row or column of the source is skipped.
Picture24 ResamplePicture(const Picture24& source, int width, int height);

}  // namespace quenlo::ui

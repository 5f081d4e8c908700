// JPEG decoding with libjpeg, into rows laid out as a 24-bit Windows DIB wants them. This file
// and its .cpp include no <windows.h>, whose types clash with libjpeg's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quenlo::win32 {

struct DecodedJpeg {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row: 3 per pixel, padded to a multiple of 4
  // Rows from the top, each pixel blue, green, red.
  std::vector<std::uint8_t> pixels;
};

// The largest picture accepted, in pixels across and down.
inline constexpr int kMaxJpegSide = 4096;

// Decodes a baseline or progressive JPEG in colour or grey. Nothing for data that is no JPEG,
// is cut short before its first row, is in a colour space other than grey, YCbCr or RGB, or is
// larger than kMaxJpegSide either way. Rows missing from a truncated file come out grey, as
// libjpeg fills them.
std::optional<DecodedJpeg> DecodeJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace quenlo::win32

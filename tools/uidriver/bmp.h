// The 24-bit BMP file format for screenshots: file header, BITMAPINFOHEADER, then the rows
// bottom-up, three bytes per pixel (blue, green, red), each row padded to a multiple of four.
#pragma once

#include <cstdint>
#include <vector>

namespace quenlo::uidriver {

// An image in memory: rows top-down, three bytes per pixel in blue, green, red order, no padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;  // width * height * 3 bytes

  // The pixel at (x, y) as 0xRRGGBB.
  std::uint32_t Pixel(int x, int y) const;
};

// The bytes of a BMP file holding `image`. Throws DriverError when the pixel buffer does not
// match the size.
std::vector<std::uint8_t> EncodeBmp(const Image& image);

}  // namespace quenlo::uidriver

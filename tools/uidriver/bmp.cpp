#include "tools/uidriver/bmp.h"

#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::uint32_t Image::Pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return (std::uint32_t{bgr[at + 2]} << 16) | (std::uint32_t{bgr[at + 1]} << 8) | bgr[at];
}

std::vector<std::uint8_t> EncodeBmp(const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.bgr.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    throw DriverError("image buffer does not match its size " + std::to_string(image.width) + "x" +
                      std::to_string(image.height));
  }
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

  std::vector<std::uint8_t> out;
  out.reserve(offset + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  PutLittleEndian(out, offset + pixelBytes, 4);  // file size
  PutLittleEndian(out, 0, 4);                    // reserved
  PutLittleEndian(out, offset, 4);               // where the pixels start
  PutLittleEndian(out, kInfoHeaderSize, 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(image.width), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(image.height), 4);  // positive: bottom-up
  PutLittleEndian(out, 1, 2);                                         // planes
  PutLittleEndian(out, 24, 2);                                        // bits per pixel
  PutLittleEndian(out, 0, 4);                                         // BI_RGB
  PutLittleEndian(out, pixelBytes, 4);
  PutLittleEndian(out, 3780, 4);  // 96 dpi in pixels per metre, horizontally
  PutLittleEndian(out, 3780, 4);  // and vertically
  PutLittleEndian(out, 0, 4);     // colours used
  PutLittleEndian(out, 0, 4);     // important colours

  const std::size_t sourceRow = static_cast<std::size_t>(image.width) * 3;
  for (int y = image.height - 1; y >= 0; --y) {
    const auto row = image.bgr.begin() + static_cast<std::ptrdiff_t>(y * sourceRow);
    out.insert(out.end(), row, row + static_cast<std::ptrdiff_t>(sourceRow));
    out.insert(out.end(), rowBytes - sourceRow, 0);
  }
  return out;
}

}  // namespace quenlo::uidriver

// The BMP files that screenshots are saved as.
#include "tools/uidriver/bmp.h"

#include <gtest/gtest.h>

#include "tools/uidriver/error.h"

namespace quenlo::uidriver {
namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t Read16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// 3 x 2 pixels; each byte tells its place: row r, pixel p, channel c holds r*16 + p*3 + c + 1.
Image NumberedImage() {
  Image image{3, 2, {}};
  for (int r = 0; r < 2; ++r) {
    for (int p = 0; p < 3; ++p) {
      for (int c = 0; c < 3; ++c)
        image.bgr.push_back(static_cast<std::uint8_t>(r * 16 + p * 3 + c + 1));
    }
  }
  return image;
}

TEST(EncodeBmpTest, WritesTheHeadersOfA24BitBottomUpBitmap) {
  const auto bytes = EncodeBmp(NumberedImage());
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(Read32(bytes, 2), bytes.size());
  EXPECT_EQ(Read32(bytes, 10), 54u);  // pixel offset
  EXPECT_EQ(Read32(bytes, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(Read32(bytes, 18), 3u);
  EXPECT_EQ(Read32(bytes, 22), 2u);  // positive height: bottom-up
  EXPECT_EQ(Read16(bytes, 26), 1u);
  EXPECT_EQ(Read16(bytes, 28), 24u);
  EXPECT_EQ(Read32(bytes, 30), 0u);  // BI_RGB
  EXPECT_EQ(Read32(bytes, 34), 24u);
}

TEST(EncodeBmpTest, StoresTheBottomRowFirstWithZeroPadding) {
  const auto bytes = EncodeBmp(NumberedImage());
  const std::vector<std::uint8_t> bottomRow(bytes.begin() + 54, bytes.begin() + 66);
  const std::vector<std::uint8_t> topRow(bytes.begin() + 66, bytes.end());
  EXPECT_EQ(bottomRow, (std::vector<std::uint8_t>{17, 18, 19, 20, 21, 22, 23, 24, 25, 0, 0, 0}));
  EXPECT_EQ(topRow, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}));
}

TEST(EncodeBmpTest, RowsOfAMultipleOfFourBytesGetNoPadding) {
  const Image image{4, 1, std::vector<std::uint8_t>(12, 0xAB)};
  const auto bytes = EncodeBmp(image);
  EXPECT_EQ(bytes.size(), 54u + 12);
}

TEST(EncodeBmpTest, RejectsABufferThatDoesNotMatchTheSize) {
  EXPECT_THROW(EncodeBmp(Image{2, 2, std::vector<std::uint8_t>(11)}), DriverError);
  EXPECT_THROW(EncodeBmp(Image{0, 0, {}}), DriverError);
}

TEST(ImageTest, PixelReadsRedGreenBlue) {
  const Image image = NumberedImage();
  EXPECT_EQ(image.Pixel(0, 0), 0x030201u);
  EXPECT_EQ(image.Pixel(2, 1), 0x191817u);
}

}  // namespace
}  // namespace quenlo::uidriver

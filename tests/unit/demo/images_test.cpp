// Picture files: headers a Windows loader accepts, pixels where they belong.
#include "demo/generator/images.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quenlo::demo {
namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}
std::uint16_t U16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

Picture Solid(int width, int height, unsigned char b, unsigned char g, unsigned char r) {
  Picture picture{width, height, {}};
  for (int i = 0; i < width * height; ++i) picture.bgra.insert(picture.bgra.end(), {b, g, r, 255});
  return picture;
}

TEST(EncodeBmp, WritesA24BitBottomUpBitmapWithPaddedRows) {
  Picture picture = Solid(5, 3, 0, 0, 0);
  picture.bgra[0] = 1;  // top-left pixel: B G R = 1 2 3
  picture.bgra[1] = 2;
  picture.bgra[2] = 3;
  const std::string bmp = EncodeBmp(picture);
  const std::size_t row = 16;  // 5 * 3 = 15 bytes, padded to 16
  ASSERT_EQ(bmp.size(), 54 + 3 * row);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), bmp.size());
  EXPECT_EQ(U32(bmp, 10), 54u);  // pixels follow the headers
  EXPECT_EQ(U32(bmp, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(U32(bmp, 18), 5u);
  EXPECT_EQ(U32(bmp, 22), 3u);  // positive height: bottom row first
  EXPECT_EQ(U16(bmp, 26), 1u);
  EXPECT_EQ(U16(bmp, 28), 24u);
  EXPECT_EQ(U32(bmp, 30), 0u);  // BI_RGB
  EXPECT_EQ(U32(bmp, 34), 3 * row);
  const std::size_t topRow = 54 + 2 * row;
  EXPECT_EQ(bmp.substr(topRow, 3), std::string("\x01\x02\x03"));
  EXPECT_EQ(bmp[topRow + 15], '\0') << "padding byte";
}

TEST(EncodeIco, IndexesEachPictureAndMasksTheTransparentPixels) {
  const std::vector<Picture> pictures = {DrawBadge(16, 1), DrawBadge(32, 1)};
  const std::string ico = EncodeIco(pictures);
  ASSERT_GE(ico.size(), 6u + 2 * 16);
  EXPECT_EQ(U16(ico, 0), 0u);
  EXPECT_EQ(U16(ico, 2), 1u);  // icon, not cursor
  ASSERT_EQ(U16(ico, 4), 2u);
  std::size_t expectedOffset = 6 + 2 * 16;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t entry = 6 + 16 * i;
    const int size = pictures[i].width;
    const std::size_t maskRow = (static_cast<std::size_t>(size) + 31) / 32 * 4;
    EXPECT_EQ(static_cast<unsigned char>(ico[entry]), size);
    EXPECT_EQ(static_cast<unsigned char>(ico[entry + 1]), size);
    EXPECT_EQ(U16(ico, entry + 6), 32u);
    const std::uint32_t bytes = U32(ico, entry + 8);
    const std::uint32_t offset = U32(ico, entry + 12);
    EXPECT_EQ(offset, expectedOffset);
    EXPECT_EQ(bytes, 40 + size * size * 4 + maskRow * size);
    expectedOffset += bytes;
    EXPECT_EQ(U32(ico, offset), 40u);
    EXPECT_EQ(U32(ico, offset + 8), 2u * size) << "colour and mask halves";
    EXPECT_EQ(U16(ico, offset + 14), 32u);
    // The mask's last row in the file is the picture's top row: its corner is transparent, its
    // middle (the badge) is not.
    const std::size_t topMaskRow = offset + 40 + size * size * 4 + maskRow * (size - 1);
    EXPECT_NE(static_cast<unsigned char>(ico[topMaskRow]) & 0x80, 0);
    const std::size_t middle = offset + 40 + size * size * 4 + maskRow * (size / 2);
    EXPECT_EQ(static_cast<unsigned char>(ico[middle + size / 16]), 0);
  }
  EXPECT_EQ(ico.size(), expectedOffset) << "nothing after the last picture";
}

TEST(EncodeJpeg, DecodesToThePictureSize) {
  const std::string jpeg = EncodeJpeg(DrawBackdrop(120, 80, 3), 88);
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");

  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
  EXPECT_EQ(info.image_width, 120u);
  EXPECT_EQ(info.image_height, 80u);
  EXPECT_EQ(info.num_components, 3);
  jpeg_destroy_decompress(&info);
}

TEST(DrawSkinPiece, GrainMakesThePictureCompressWorse) {
  std::vector<uLongf> stored;
  for (const int grain : {0, 1, 2, 3}) {
    const std::string bmp = EncodeBmp(DrawSkinPiece(200, 100, 9, grain));
    uLongf size = compressBound(static_cast<uLong>(bmp.size()));
    std::vector<Bytef> out(size);
    ASSERT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(bmp.data()),
                        static_cast<uLong>(bmp.size()), 6),
              Z_OK);
    stored.push_back(size);
  }
  for (std::size_t i = 1; i < stored.size(); ++i) EXPECT_LT(stored[i - 1], stored[i]);
}

TEST(Pictures, RefuseSizesNoFileCanHold) {
  EXPECT_THROW(DrawSkinPiece(0, 10, 1, 0), std::invalid_argument);
  EXPECT_THROW(EncodeIco({}), std::invalid_argument);
  EXPECT_THROW(EncodeIco({DrawBadge(257, 1)}), std::invalid_argument);
}

}  // namespace
}  // namespace quenlo::demo

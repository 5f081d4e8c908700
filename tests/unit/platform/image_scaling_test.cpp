// The artwork's resampling: a flat colour stays flat at any size, an enlarged edge becomes an even
// ramp, and a shrunk pattern averages every pixel it covers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/image_scaling.h"

namespace quenlo::ui {
namespace {

// A picture with each pixel's three channels given by `value(x, y)`.
template <typename Value>
Picture24 Make(int width, int height, Value value) {
  Picture24 picture{width, height, {}};
  picture.bytes.assign(static_cast<std::size_t>(RowBytes24(width)) * height, 0xEE);  // padding
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c)
        picture.bytes[static_cast<std::size_t>(y) * RowBytes24(width) + x * 3 + c] = value(x, y);
    }
  }
  return picture;
}

int At(const Picture24& picture, int x, int y, int channel = 0) {
  return picture.bytes[static_cast<std::size_t>(y) * RowBytes24(picture.width) + x * 3 + channel];
}

TEST(ImageScalingTest, AFlatColourStaysFlatAtEverySize) {
  const Picture24 flat = Make(120, 235, [](int, int) { return 200; });
  struct Size {
    int width, height;
  };
  for (const Size size :
       {Size{180, 353}, Size{240, 470}, Size{150, 294}, Size{60, 117}, Size{1, 1}}) {
    const Picture24 scaled = ResamplePicture(flat, size.width, size.height);
    ASSERT_EQ(scaled.width, size.width);
    ASSERT_EQ(scaled.height, size.height);
    ASSERT_EQ(scaled.bytes.size(), static_cast<std::size_t>(RowBytes24(size.width)) * size.height);
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) ASSERT_EQ(At(scaled, x, y), 200) << x << ", " << y;
    }
  }
}

TEST(ImageScalingTest, EnlargingInterpolatesAndShrinkingAveragesWhatItCovers) {
  // Black beside white, four times as wide: black at the left end, white at the right, and a
  // ramp that only rises in between (no pixel repeated into a hard step of the source's size).
  const Picture24 edge = Make(2, 1, [](int x, int) { return x == 0 ? 0 : 255; });
  const Picture24 wide = ResamplePicture(edge, 8, 1);
  EXPECT_EQ(At(wide, 0, 0), 0);
  EXPECT_EQ(At(wide, 7, 0), 255);
  for (int x = 1; x < 8; ++x) EXPECT_GE(At(wide, x, 0), At(wide, x - 1, 0));
  EXPECT_GT(At(wide, 3, 0), 0);
  EXPECT_LT(At(wide, 4, 0), 255);

  // A checkerboard of single pixels at half its size: every pixel grey, none black or white as
  // when every other row and column is skipped.
  const Picture24 board = Make(64, 64, [](int x, int y) { return (x + y) % 2 == 0 ? 0 : 255; });
  const Picture24 half = ResamplePicture(board, 32, 32);
  for (int y = 1; y < 31; ++y) {
    for (int x = 1; x < 31; ++x) EXPECT_NEAR(At(half, x, y, 2), 128, 2) << x << ", " << y;
  }
}

}  // namespace
}  // namespace quenlo::ui

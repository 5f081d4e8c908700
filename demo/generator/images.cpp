#include "demo/generator/images.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "demo/generator/filler.h"

namespace quenlo::demo {
namespace {

struct Colour {
  int b, g, r;
};

Colour RandomColour(Random& random) {
  return Colour{static_cast<int>(random.Below(256)), static_cast<int>(random.Below(256)),
                static_cast<int>(random.Below(256))};
}

Colour Blend(Colour a, Colour b, int weight, int total) {
  auto mix = [&](int x, int y) { return x + (y - x) * weight / std::max(total, 1); };
  return Colour{mix(a.b, b.b), mix(a.g, b.g), mix(a.r, b.r)};
}

unsigned char Clamp(int value) { return static_cast<unsigned char>(std::clamp(value, 0, 255)); }

Picture Blank(int width, int height) {
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
    throw std::invalid_argument("picture size out of range");
  }
  Picture picture{width, height, {}};
  picture.bgra.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
  return picture;
}

void Put(Picture& picture, int x, int y, Colour colour, int alpha) {
  unsigned char* pixel =
      &picture.bgra[(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                     static_cast<std::size_t>(x)) *
                    4];
  pixel[0] = Clamp(colour.b);
  pixel[1] = Clamp(colour.g);
  pixel[2] = Clamp(colour.r);
  pixel[3] = Clamp(alpha);
}

// True inside a right-pointing triangle centred in a box of the given size.
bool InPlayMark(int x, int y, int width, int height) {
  const int size = std::min(width, height) / 2;
  const int left = (width - size) / 2 + size / 8;
  const int top = (height - size) / 2;
  const int dx = x - left;
  const int dy = y - top;
  if (dx < 0 || dy < 0 || dy >= size) return false;
  const int half = size / 2;
  return dx < size - 2 * std::abs(dy - half) + (size & 1);
}

// `bytes` (1 to 8) bytes of `value`, least significant first.
void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// libjpeg reports errors through a callback that must not return.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

}  // namespace

Picture DrawSkinPiece(int width, int height, std::uint64_t seed, int grain) {
  Picture picture = Blank(width, height);
  Random random(seed);
  const Colour top = RandomColour(random);
  const Colour bottom = RandomColour(random);
  const Colour frame = Blend(top, Colour{0, 0, 0}, 1, 2);
  const Colour glyph = Blend(bottom, Colour{255, 255, 255}, 3, 4);
  const int radius = std::max(1, std::min(width, height) / 6);
  const int grainMask = (1 << std::clamp(grain, 0, 4)) - 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Distance past the rounded corner, for a frame one pixel wide.
      const int cx = std::clamp(x, radius, width - 1 - radius);
      const int cy = std::clamp(y, radius, height - 1 - radius);
      const int dx = x - cx;
      const int dy = y - cy;
      const bool outside = dx * dx + dy * dy > radius * radius;
      const bool onFrame = !outside && dx * dx + dy * dy > (radius - 1) * (radius - 1);
      const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      Colour colour = Blend(top, bottom, y, height);
      if (outside) colour = Blend(colour, Colour{255, 255, 255}, 1, 3);
      if (onFrame || (edge && !outside)) colour = frame;
      if (InPlayMark(x, y, width, height)) colour = glyph;
      if (grainMask != 0) {
        const auto noise = random.Next();
        colour.b += static_cast<int>(noise & static_cast<unsigned>(grainMask));
        colour.g += static_cast<int>((noise >> 8) & static_cast<unsigned>(grainMask));
        colour.r += static_cast<int>((noise >> 16) & static_cast<unsigned>(grainMask));
      }
      Put(picture, x, y, colour, 255);
    }
  }
  return picture;
}

Picture DrawBadge(int size, std::uint64_t seed) {
  Picture picture = Blank(size, size);
  Random random(seed);
  const Colour rim = RandomColour(random);
  const Colour centre = Blend(rim, Colour{255, 255, 255}, 2, 3);
  const int radius2 = size * size / 4;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int dx = 2 * x + 1 - size;
      const int dy = 2 * y + 1 - size;
      const int distance2 = (dx * dx + dy * dy) / 4;
      if (distance2 > radius2) {
        Put(picture, x, y, Colour{0, 0, 0}, 0);
        continue;
      }
      Colour colour = Blend(centre, rim, distance2, radius2);
      if (InPlayMark(x, y, size, size)) colour = Colour{255, 255, 255};
      Put(picture, x, y, colour, 255);
    }
  }
  return picture;
}

Picture DrawBackdrop(int width, int height, std::uint64_t seed) {
  Picture picture = Blank(width, height);
  Random random(seed);
  const Colour a = RandomColour(random);
  const Colour b = RandomColour(random);
  const double fx = 2.0 + random.Below(5);
  const double fy = 1.0 + random.Below(4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double v = static_cast<double>(y) / height;
      const double wave = 0.5 + 0.25 * std::sin(6.283 * fx * u + 3.0 * v) +
                          0.25 * std::cos(6.283 * fy * v - 2.0 * u);
      Colour colour = Blend(a, b, static_cast<int>(wave * 1000), 1000);
      const int texture = static_cast<int>(random.Below(24)) - 12;
      colour.b += texture;
      colour.g += texture;
      colour.r += texture;
      Put(picture, x, y, colour, 255);
    }
  }
  return picture;
}

std::string EncodeBmp(const Picture& picture) {
  const std::size_t rowBytes = (static_cast<std::size_t>(picture.width) * 3 + 3) / 4 * 4;
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(picture.height);
  std::string out = "BM";
  PutLittleEndian(out, 14 + 40 + pixelBytes, 4);  // file size
  PutLittleEndian(out, 0, 4);                     // reserved
  PutLittleEndian(out, 14 + 40, 4);               // offset of the pixels
  PutLittleEndian(out, 40, 4);                    // BITMAPINFOHEADER
  PutLittleEndian(out, static_cast<std::uint32_t>(picture.width), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(picture.height), 4);  // bottom-up
  PutLittleEndian(out, 1, 2);                                           // planes
  PutLittleEndian(out, 24, 2);                                          // bits per pixel
  PutLittleEndian(out, 0, 4);                                           // BI_RGB
  PutLittleEndian(out, pixelBytes, 4);
  PutLittleEndian(out, 2835, 4);  // 72 dpi
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 0, 4);  // colours used
  PutLittleEndian(out, 0, 4);  // important colours
  for (int y = picture.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < picture.width; ++x) {
      const unsigned char* pixel =
          &picture.bgra[(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                         static_cast<std::size_t>(x)) *
                        4];
      out.append(reinterpret_cast<const char*>(pixel), 3);
    }
    out.append(rowBytes - (out.size() - start), '\0');
  }
  return out;
}

std::string EncodeIco(const std::vector<Picture>& pictures) {
  if (pictures.empty()) throw std::invalid_argument("an icon needs at least one picture");
  std::vector<std::string> images;
  for (const Picture& picture : pictures) {
    if (picture.width > 256 || picture.height > 256) {
      throw std::invalid_argument("icon pictures are at most 256 pixels square");
    }
    const std::size_t maskRow = (static_cast<std::size_t>(picture.width) + 31) / 32 * 4;
    const std::size_t colourBytes =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
    std::string image;
    PutLittleEndian(image, 40, 4);
    PutLittleEndian(image, static_cast<std::uint32_t>(picture.width), 4);
    PutLittleEndian(image, static_cast<std::uint32_t>(picture.height) * 2, 4);  // XOR + AND
    PutLittleEndian(image, 1, 2);
    PutLittleEndian(image, 32, 2);
    PutLittleEndian(image, 0, 4);
    PutLittleEndian(image, colourBytes + maskRow * static_cast<std::size_t>(picture.height), 4);
    image.append(16, '\0');  // resolution and colour counts
    for (int y = picture.height - 1; y >= 0; --y) {
      image.append(
          reinterpret_cast<const char*>(&picture.bgra[static_cast<std::size_t>(y) *
                                                      static_cast<std::size_t>(picture.width) * 4]),
          static_cast<std::size_t>(picture.width) * 4);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
      std::string row(maskRow, '\0');
      for (int x = 0; x < picture.width; ++x) {
        const std::size_t pixel =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
             static_cast<std::size_t>(x)) *
            4;
        if (picture.bgra[pixel + 3] == 0) {
          row[static_cast<std::size_t>(x) / 8] |= static_cast<char>(0x80 >> (x % 8));
        }
      }
      image += row;
    }
    images.push_back(std::move(image));
  }
  std::string out;
  PutLittleEndian(out, 0, 2);  // reserved
  PutLittleEndian(out, 1, 2);  // icon
  PutLittleEndian(out, pictures.size(), 2);
  std::size_t offset = 6 + 16 * pictures.size();
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    out.push_back(static_cast<char>(pictures[i].width & 0xFF));  // 256 is written as 0
    out.push_back(static_cast<char>(pictures[i].height & 0xFF));
    out.push_back('\0');  // no palette
    out.push_back('\0');  // reserved
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 32, 2);
    PutLittleEndian(out, images[i].size(), 4);
    PutLittleEndian(out, offset, 4);
    offset += images[i].size();
  }
  for (const std::string& image : images) out += image;
  return out;
}

std::string EncodeJpeg(const Picture& picture, int quality) {
  std::vector<unsigned char> row(static_cast<std::size_t>(picture.width) * 3);
  jpeg_compress_struct info{};
  JpegErrors errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnJpegError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw std::runtime_error("libjpeg could not encode a picture");
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const unsigned char* source =
        &picture.bgra[info.next_scanline * static_cast<std::size_t>(picture.width) * 4];
    for (int x = 0; x < picture.width; ++x) {
      row[static_cast<std::size_t>(x) * 3] = source[x * 4 + 2];
      row[static_cast<std::size_t>(x) * 3 + 1] = source[x * 4 + 1];
      row[static_cast<std::size_t>(x) * 3 + 2] = source[x * 4];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

}  // namespace quenlo::demo

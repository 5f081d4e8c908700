// Pictures of the demo payload: skin pieces and icons drawn from a seed, written as BMP, ICO and
// JPEG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quenlo::demo {

// 32-bit pixels, rows top to bottom, bytes B, G, R, A in each pixel.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bgra;
};

// A skin piece: a gradient face with a rounded frame and a glyph, all opaque. `grain` (0 to 4)
// adds that many random low bits to every colour channel; more grain compresses worse.
Picture DrawSkinPiece(int width, int height, std::uint64_t seed, int grain);

// An icon face: a round badge with a play mark on a transparent ground.
Picture DrawBadge(int size, std::uint64_t seed);

// A photo-like picture for the JPEG files: soft colour fields and fine texture.
Picture DrawBackdrop(int width, int height, std::uint64_t seed);

// A 24-bit uncompressed BMP (rows bottom to top, each padded to 4 bytes); alpha is dropped.
std::string EncodeBmp(const Picture& picture);

// An icon file holding every picture given (each at most 256 pixels square) as a 32-bit image
// with its AND mask (set where alpha is 0).
std::string EncodeIco(const std::vector<Picture>& pictures);

// A baseline JPEG at `quality` (1 to 100); alpha is dropped.
std::string EncodeJpeg(const Picture& picture, int quality);

}  // namespace quenlo::demo

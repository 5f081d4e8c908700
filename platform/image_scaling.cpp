#include "platform/image_scaling.h"

#include <algorithm>
#include <cmath>

namespace quenlo::ui {
namespace {

// The weights by which one output line takes the source pixels of one axis.
struct Taps {
  int first = 0;               // the first source pixel used
  std::vector<float> weights;  // for first, first + 1, ...; they sum to 1
};

std::vector<Taps> TentTaps(int sourceLength, int outputLength) {
  const double scale = static_cast<double>(outputLength) / sourceLength;
  // The tent's half-width in source pixels: one source pixel when enlarging, one output pixel
  // (1 / scale source pixels) when shrinking.
  const double radius = scale >= 1.0 ? 1.0 : 1.0 / scale;
  std::vector<Taps> taps(static_cast<std::size_t>(outputLength));
  for (int out = 0; out < outputLength; ++out) {
    const double centre = (out + 0.5) / scale - 0.5;  // in source pixel coordinates
    const int first = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
    const int last = std::min(sourceLength - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
    Taps& tap = taps[static_cast<std::size_t>(out)];
    double total = 0.0;
    for (int in = first; in <= last; ++in) {
      const double weight = 1.0 - std::abs(in - centre) / radius;
      tap.weights.push_back(static_cast<float>(std::max(weight, 0.0)));
      total += tap.weights.back();
    }
    if (tap.weights.empty() || total <= 0.0) {  // beyond the edge: the nearest pixel
      tap.first = std::clamp(static_cast<int>(std::lround(centre)), 0, sourceLength - 1);
      tap.weights.assign(1, 1.0f);
      continue;
    }
    tap.first = first;
    for (float& weight : tap.weights) weight = static_cast<float>(weight / total);
  }
  return taps;
}

}  // namespace

int RowBytes24(int width) { return (width * 3 + 3) / 4 * 4; }

Picture24 ResamplePicture(const Picture24& source, int width, int height) {
  Picture24 result;
  result.width = std::max(width, 1);
  result.height = std::max(height, 1);
  const int outRow = RowBytes24(result.width);
  result.bytes.assign(static_cast<std::size_t>(outRow) * result.height, 0);
  if (source.width <= 0 || source.height <= 0) return result;
  const int inRow = RowBytes24(source.width);

  // Across first, into rows of floats, then down.
  const std::vector<Taps> across = TentTaps(source.width, result.width);
  const std::vector<Taps> down = TentTaps(source.height, result.height);
  const std::size_t wideRow = static_cast<std::size_t>(result.width) * 3;
  std::vector<float> wide(wideRow * static_cast<std::size_t>(source.height), 0.0f);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = source.bytes.data() + static_cast<std::size_t>(y) * inRow;
    float* out = wide.data() + static_cast<std::size_t>(y) * wideRow;
    for (int x = 0; x < result.width; ++x) {
      const Taps& tap = across[static_cast<std::size_t>(x)];
      for (int c = 0; c < 3; ++c) {
        float sum = 0.0f;
        for (std::size_t i = 0; i < tap.weights.size(); ++i)
          sum += tap.weights[i] * in[(static_cast<std::size_t>(tap.first) + i) * 3 + c];
        out[static_cast<std::size_t>(x) * 3 + c] = sum;
      }
    }
  }
  for (int y = 0; y < result.height; ++y) {
    const Taps& tap = down[static_cast<std::size_t>(y)];
    std::uint8_t* out = result.bytes.data() + static_cast<std::size_t>(y) * outRow;
    for (std::size_t x = 0; x < wideRow; ++x) {
      float sum = 0.0f;
      for (std::size_t i = 0; i < tap.weights.size(); ++i)
        sum += tap.weights[i] * wide[(static_cast<std::size_t>(tap.first) + i) * wideRow + x];
      out[x] = static_cast<std::uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
    }
  }
  return result;
}

}  // namespace quenlo::ui

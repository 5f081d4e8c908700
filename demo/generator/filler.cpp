#include "demo/generator/filler.h"

#include <algorithm>

namespace quenlo::demo {
namespace {

constexpr std::size_t kPiece = 256;
// Copies reach back at most this far, inside deflate's 32 KB window.
constexpr std::size_t kReach = 32 * 1024 - kPiece;

}  // namespace

std::uint64_t SeedFor(std::string_view name) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::uint64_t Random::Next() {
  state_ += 0x9e3779b97f4a7c15ULL;
  std::uint64_t value = state_;
  value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
  value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
  return value ^ (value >> 31);
}

std::uint32_t Random::Below(std::uint32_t bound) {
  return static_cast<std::uint32_t>((Next() >> 32) * bound >> 32);
}

std::uint64_t Random::Between(std::uint64_t low, std::uint64_t high) {
  return low + Next() % (high - low + 1);
}

void AppendFiller(std::string& out, std::size_t size, double ratio, std::uint64_t seed) {
  Random random(seed);
  const std::size_t start = out.size();
  const std::size_t end = start + size;
  // Ratios are compared in 1/65536 steps, so the choice does not depend on floating point.
  const auto threshold = static_cast<std::uint32_t>(std::clamp(ratio, 0.0, 1.0) * 65536.0);
  out.reserve(end);
  while (out.size() < end) {
    const std::size_t piece = std::min(kPiece, end - out.size());
    const std::size_t written = out.size() - start;
    if (written < kPiece || random.Below(65536) < threshold) {
      for (std::size_t i = 0; i < piece; i += 8) {
        const std::uint64_t word = random.Next();
        for (std::size_t j = i; j < std::min(piece, i + 8); ++j) {
          out.push_back(static_cast<char>(word >> (8 * (j - i))));
        }
      }
    } else {
      const std::size_t distance =
          random.Between(kPiece, std::min<std::size_t>(written - written % kPiece, kReach));
      const std::size_t from = out.size() - distance;
      for (std::size_t i = 0; i < piece; ++i) out.push_back(out[from + i]);
    }
  }
}

}  // namespace quenlo::demo

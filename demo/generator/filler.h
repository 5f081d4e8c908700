// Deterministic bytes for the demo payload: a seeded random source, and filler of a chosen
// compressibility that pads a file to its planned size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quenlo::demo {

// A seed from a payload name; the same name always gives the same seed.
std::uint64_t SeedFor(std::string_view name);

// splitmix64: small, fast, and the same sequence on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // A value in [0, bound); bound must not be 0.
  std::uint32_t Below(std::uint32_t bound);
  // A value in [low, high].
  std::uint64_t Between(std::uint64_t low, std::uint64_t high);

 private:
  std::uint64_t state_;
};

// Appends `size` bytes that zlib at level 6 stores in about `ratio` times their size (0 to 1):
// 256-byte pieces, each either fresh random bytes (with probability `ratio`) or a copy of an
// earlier piece within deflate's 32 KB window.
void AppendFiller(std::string& out, std::size_t size, double ratio, std::uint64_t seed);

}  // namespace quenlo::demo

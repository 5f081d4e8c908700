#include "demo/generator/clsid.h"

#include <array>
#include <cstdint>

namespace quenlo::demo {
namespace {

constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ULL;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::uint64_t Fnv1a(std::uint64_t basis, std::string_view text) {
  std::uint64_t hash = basis;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(LowerAscii(c));
    hash *= kFnvPrime;
  }
  return hash;
}

// splitmix64's finaliser: spreads every input bit over the whole word.
std::uint64_t Mix(std::uint64_t value) {
  value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
  value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
  return value ^ (value >> 31);
}

}  // namespace

std::string ClsidForName(std::string_view payloadName) {
  // Two independent hashes of the name give the 128 bits.
  const std::uint64_t high = Mix(Fnv1a(kFnvBasis, payloadName));
  const std::uint64_t low = Mix(Fnv1a(kFnvBasis ^ 0x5175656e6c6f4944ULL, payloadName));
  std::array<unsigned char, 16> bytes{};
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(high >> (56 - 8 * i));
    bytes[8 + i] = static_cast<unsigned char>(low >> (56 - 8 * i));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x80);  // version 8
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 10xx

  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
  }
  text += '}';
  return text;
}

bool IsRegistryClsid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (c != '-') return false;
    } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) {
      return false;
    }
  }
  return true;
}

}  // namespace quenlo::demo

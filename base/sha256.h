// SHA-256 (FIPS 180-4), for binding a file to a digest kept where only administrators can write.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quenlo {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view bytes);

// The digest as 64 upper-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace quenlo

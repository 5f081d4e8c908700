// The media and playlist extensions the player takes over, in the order they are associated.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quenlo {

inline constexpr std::size_t kMediaExtensionRows = 56;

// 56 rows, 54 extensions: ".wax" and ".wmx" stand twice (rows 51-52 and 53-54), and every row is
// associated, so those two are written twice with the same values.
const std::array<std::string_view, kMediaExtensionRows>& MediaExtensions();

}  // namespace quenlo

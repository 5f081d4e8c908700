// The time the install log stamps its lines with.
#pragma once

#include <cstdint>

namespace quenlo {

// Milliseconds of a steady clock (from some fixed moment).
std::int64_t SteadyMilliseconds();

}  // namespace quenlo

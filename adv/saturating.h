#pragma once
// Arithmetic on the 32-bit numbers scripts and settings give: a result beyond
// the range stays at its nearest end instead of wrapping round.
#include <algorithm>
#include <cstdint>
#include <limits>

namespace adv {

constexpr std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

constexpr std::int32_t saturatingAdd(std::int32_t a, std::int32_t b) { return saturate(std::int64_t{a} + b); }

constexpr std::int32_t saturatingMultiply(std::int32_t a, std::int32_t b) {
    return saturate(std::int64_t{a} * b);
}

}  // namespace adv

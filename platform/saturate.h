// Coordinates and counts are 32-bit; wider intermediate results saturate instead of wrapping
// round. Header only, so that the two libraries can use it too.
#pragma once
#include <cstdint>

constexpr std::int32_t SaturateToInt32(std::int64_t v) {
    return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(v));
}

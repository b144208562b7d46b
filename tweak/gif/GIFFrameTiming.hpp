// How long a GIF frame stays on screen, in hundredths of a second, and the common divisor that
// lets one list of equally long entries show every frame for its own delay.
#pragma once

#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSource.hpp>

#include <cstdint>
#include <span>

namespace animatedGIF {

// A frame without usable timing is shown for one hundredth of a second.
inline constexpr int32_t fallbackDelay = 1;

// The frame's delay: its unclamped delay unless that is absent or exactly zero, else its clamped
// delay; values that are absent, not positive or not a number give fallbackDelay. Delays beyond
// 2^31 - 1 hundredths (infinite included) are bounded to that.
int32_t frameDelay(CGImageSourceRef, size_t index);

// The greatest common divisor of all delays; a zero delay leaves it unchanged; 0 for no delays.
int32_t commonDivisor(std::span<const int32_t> delays);

}

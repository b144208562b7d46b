// JPEG through libjpeg: the size from the header alone, and the pixels as opaque 8-bit RGBA.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <imageio/ImageContainer.hpp>

#include <memory>
#include <optional>
#include <span>

namespace JpegDecoder {

bool hasSignature(std::span<const uint8_t>);
// Reads the markers before the first scan only; none when they are damaged or the size is out of bounds.
std::optional<PixelSize> readSize(std::span<const uint8_t>);
// Null when decoding fails; data cut short gives what libjpeg makes of it (grey below the cut).
std::shared_ptr<RGBAPixels> decode(std::span<const uint8_t>);

}

// PNG through libpng: the size from the header alone, and the pixels as 8-bit RGBA.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <imageio/ImageContainer.hpp>

#include <memory>
#include <optional>
#include <span>

namespace PngDecoder {

bool hasSignature(std::span<const uint8_t>);
// Reads the chunks before the image data only; none when they are damaged or the size is out of bounds.
std::optional<PixelSize> readSize(std::span<const uint8_t>);
// Null when decoding can't start; data cut short gives the rows decoded until then.
std::shared_ptr<RGBAPixels> decode(std::span<const uint8_t>);

}

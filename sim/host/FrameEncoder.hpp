// The screen's pictures as bytes for the live phone's page: PNG for a still, JPEG for the stream.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Empty with the reason when the pixels can't be encoded.
std::vector<uint8_t> encodePNG(const RGBAPixels&, std::string& error);
// Alpha is dropped: the screen is opaque.
std::vector<uint8_t> encodeJPEG(const RGBAPixels&, int quality, std::string& error);

}

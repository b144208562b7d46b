// Writes RGBA pixels as a PNG file of this machine.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <filesystem>
#include <string>

namespace sim {

bool writePNG(const RGBAPixels&, const std::filesystem::path&, std::string& error);

}

// The device's photo library (/var/mobile/Media/DCIM), as `photos add` and the live phone's uploads
// fill it: the same names, the same refusals.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// A name the library can hold: the file's own name, with anything but letters, digits and a few
// marks replaced, never hidden and never a path.
std::string sanitisedPhotoName(const std::filesystem::path& file);

// Makes the library's folder inside the device root; false with the reason.
bool makePhotoLibrary(std::filesystem::path& library, std::string& error);

// Writes the bytes as a new photo named after NAME (sanitised; a name already taken gets a number),
// atomically. The device path of the photo, or empty with the reason.
std::string addPhotoBytes(std::vector<uint8_t> bytes, const std::string& name, const std::filesystem::path& library, std::string& error);

}

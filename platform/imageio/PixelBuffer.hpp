// Allocation of decoded pixel buffers, counted so that tests can see how many canvases decoding
// keeps alive and when pixels are decoded at all.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <memory>

namespace PixelBuffer {

// A transparent buffer, or null when it can't be allocated (the caller has bounded the size).
std::shared_ptr<RGBAPixels> create(size_t width, size_t height);
std::shared_ptr<RGBAPixels> copy(const RGBAPixels&);
long liveCount();

void noteFrameDecoded();
long decodedFrameCount();

}

// Where a renderer may take an image already scaled to the pixels it covers, so that a picture
// drawn again and again at one size (the frames of a looping animation) is scaled once. The owner
// decides what to keep; the renderer only asks.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <cstddef>

namespace Render {

class ImageRenditions {
public:
    virtual ~ImageRenditions() = default;
    // The whole image in exactly width x height pixels, held by the owner until its next call; null
    // to draw the image itself.
    virtual CGImageRef renditionOf(CGImageRef, size_t width, size_t height) = 0;
};

}

// Keys of the property dictionaries of image sources. Values are CFNumbers, except the GIF
// sub-dictionary, which a GIF's frames carry and other formats don't.
#pragma once

#include <foundation/CoreFoundation.hpp>

// The canvas size in pixels, in every frame's top-level properties.
extern const CFStringRef kCGImagePropertyPixelWidth;
extern const CFStringRef kCGImagePropertyPixelHeight;
extern const CFStringRef kCGImagePropertyGIFDictionary;
// The frame's delay in seconds as the file gives it (0 allowed).
extern const CFStringRef kCGImagePropertyGIFUnclampedDelayTime;
// The same delay, but never below 0.1 s, as the platform plays it.
extern const CFStringRef kCGImagePropertyGIFDelayTime;

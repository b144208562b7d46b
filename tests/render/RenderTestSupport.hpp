// Pictures for rendering tests: solid and animated images, pixels read back, colours compared.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIView.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

namespace rendertest {

struct Pixel {
    int red { 0 };
    int green { 0 };
    int blue { 0 };
    int alpha { 0 };
    bool operator==(const Pixel&) const = default;
};
std::ostream& operator<<(std::ostream&, const Pixel&);

Pixel pixelAt(const RGBAPixels&, size_t x, size_t y);
// The colour as 8-bit channels.
Pixel pixelOf(const UIColor&);
// Every channel within the tolerance.
bool isNear(const Pixel&, const Pixel&, int tolerance = 3);
// Pixels of the rectangle (in pixels) that are near the colour.
size_t countNear(const RGBAPixels&, const Pixel&, size_t x, size_t y, size_t width, size_t height, int tolerance = 3);

std::shared_ptr<UIImage> solidImage(size_t width, size_t height, Pixel);
// Entries of one colour each, sharing the duration.
std::shared_ptr<UIImage> animatedImage(const std::vector<Pixel>&, double duration);

// A window-sized root with the assistant's dark backdrop.
std::shared_ptr<UIView> backdropWindow(CGRect bounds = CGRectMake(0, 0, 390, 844));
inline const Pixel backdrop { 5, 5, 10, 255 };

}

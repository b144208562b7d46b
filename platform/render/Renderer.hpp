// Pictures of view trees: a view and everything below it as RGBA pixels, the way the screen would
// show them. The stand-in's own display: there is no compositor, so hosts ask for a picture.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <coregraphics/CGImage.hpp>

#include <memory>
#include <optional>

class UIView;

namespace Render {

class ImageRenditions;

struct RenderOptions {
    // Seconds every animated image has played; by default each plays from the time it was set.
    std::optional<double> atTime;
    // Pixels per point; the main screen's scale by default.
    std::optional<CGFloat> scale;
    // Black where nothing is drawn, as a screen shows; transparent otherwise.
    bool isOpaque { false };
    // Images drawn smaller than their pixels are taken from here, already scaled, when it has them.
    ImageRenditions* renditions { nullptr };
};

// The root's bounds at the main screen's scale (a 390 x 844 point window gives 1170 x 2532
// pixels). Null when the picture would be empty or too large, or drawing failed.
std::shared_ptr<RGBAPixels> renderView(const UIView& root, std::optional<double> atTime = {});
std::shared_ptr<RGBAPixels> renderView(const UIView& root, const RenderOptions&);

}

// When an animated picture on screen next shows another frame, so that a live stream that can't
// keep up with the display still sends every frame of it.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <optional>
#include <vector>

class UIView;

namespace sim {

// Seconds from now until some animated image view in the tree shows a different frame image; none
// when nothing animates.
std::optional<double> secondsToNextPictureChange(const UIView& root);

// A frame image an animated image view will show, and the pixels its view covers on the device.
struct UpcomingPicture {
    CGImageRef image;
    size_t width;
    size_t height;
};

// What the animated image views in the tree will show `seconds` from now, drawn at `scale`; views
// that don't lie on whole pixels are left out. The images are the views' own (not retained).
std::vector<UpcomingPicture> picturesAhead(const UIView& root, double seconds, double scale);

}

// When an animated picture on screen next shows another frame, so that a live stream that can't
// keep up with the display still sends every frame of it.
#pragma once

#include <optional>

class UIView;

namespace sim {

// Seconds from now until some animated image view in the tree shows a different frame image; none
// when nothing animates.
std::optional<double> secondsToNextPictureChange(const UIView& root);

}

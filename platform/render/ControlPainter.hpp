// The content of UIKit's own views, drawn over their background and under their subviews: image
// views, labels, button titles, switches and navigation bars.
#pragma once

#include <render/Drawing.hpp>

class UIButton;
class UIImageView;
class UILabel;
class UINavigationBar;
class UISwitch;

namespace ControlPainter {

// The entry the image shows after that many seconds of play (within the decoding work one draw
// may do), stretched over the bounds.
void paintImage(const PaintContext&, const UIImageView&, double secondsPlayed);
void paintLabel(const PaintContext&, const UILabel&);
// The title label over the bounds; a disabled button's title is faded.
void paintButton(const PaintContext&, const UIButton&);
// On: the on tint (the platform's green by default) with the knob at the right.
void paintSwitch(const PaintContext&, const UISwitch&);
// Bar colour (translucent bars let a little through), the bottom hairline, the top item's title,
// and a back button with the item below when there is one.
void paintNavigationBar(const PaintContext&, const UINavigationBar&);

}

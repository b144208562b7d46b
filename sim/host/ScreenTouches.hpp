// Touches on the Settings app's screen, in points of its window: what a finger at that point
// reaches (the back area of the bar, a floating button, a table row, an alert's action, a tile or
// Cancel in the photo picker), found from the controls' frames and sent through their own calls.
// The one place that turns a point into a control; window hit-testing can replace it as a whole.
#pragma once

#include <coregraphics/CGGeometry.hpp>

#include <string>

class UIView;

namespace sim {

class SettingsHost;

// The point in the view's own coordinates, given in its window's.
CGPoint convertFromWindow(const UIView&, CGPoint);

// A tap; what it reached ("row 2", "button 'Choose your picture'", "back"...), or false with why
// nothing was.
bool tapSettingsScreen(SettingsHost&, CGPoint, std::string& outcome);

// A drag from the point by (dx, dy): scrolls the page's table within its content; a drag
// shorter than a finger's slop is a tap.
bool dragSettingsScreen(SettingsHost&, CGPoint, CGFloat dx, CGFloat dy, std::string& outcome);

}

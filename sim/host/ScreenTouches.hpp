// A finger on a host's screen, in points of its window. The touch goes through the window's own
// hit testing and responder chain (UIWindow::tapAtPoint, dragFrom), exactly as the platform
// delivers it; all that is added here is a name for what the finger was on, for the person at the
// live phone and for error messages.
#pragma once

#include <coregraphics/CGGeometry.hpp>

#include <string>

class UIWindow;

namespace sim {

// Enough moves for a table to see a drag rather than a jump.
inline constexpr long dragSteps = 10;

struct TouchOutcome {
    // Whether a responder kept the touch: false when nothing was hit or the touch fell off the
    // end of the responder chain (a dimmed screen under an alert, the bar's title, the wallpaper).
    bool didReach { false };
    // What the finger was on ("row 2", "button 'Choose your picture'", "alert action 'OK'",
    // "back"...) or, after a drag that moved a list, where the list is scrolled to.
    std::string outcome;
};

TouchOutcome tapScreen(UIWindow&, CGPoint);
TouchOutcome dragScreen(UIWindow&, CGPoint, CGVector);

}

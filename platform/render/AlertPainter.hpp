// Alerts over the screen they are presented on: the screen dimmed, then a rounded panel with the
// title, the message and the buttons (side by side for two, stacked otherwise; the cancel button
// in bold, a destructive one in red). Action sheets sit at the bottom, as wide as the screen.
#pragma once

#include <render/Drawing.hpp>

class UIAlertController;

namespace AlertPainter {

void paintAlert(const PaintContext&, const UIAlertController&, CGRect screen);

}

// The Settings app's screen as one line of JSON: the navigation stack, the bars on screen, the
// rows of the page on screen, the extra views in its table, what is presented, the appearance,
// sounds and opened URLs.
#pragma once

#include <memory>
#include <string>

class UINavigationController;
class UIViewController;

namespace sim {

std::string dumpSettings(const UINavigationController& outer, const std::shared_ptr<UIViewController>& page,
    const std::shared_ptr<UIViewController>& presented);

}

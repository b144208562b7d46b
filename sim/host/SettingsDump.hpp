// The Settings app's screen: the navigation stack, the bars on screen, the
// rows of the page on screen, the extra views in its table, what is presented, the appearance,
// sounds and opened URLs.
#pragma once

#include "Json.hpp"

#include <memory>

class UINavigationController;
class UIViewController;

namespace sim {

Json dumpSettings(const UINavigationController& outer, const std::shared_ptr<UIViewController>& page,
    const std::shared_ptr<UIViewController>& presented);

}

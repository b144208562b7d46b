// Appearance settings on list pages. A page without settings of its own takes those of the page
// that pushed it. The colours reach the table, its cells and the navigation bars above the page;
// the bars get their own colours back once a list page without settings shows again.
#pragma once

#include <memory>

class HBAppearanceSettings;
class PSListController;

namespace HBTintAdditions {

// May be called before the page has a view or a navigation controller (from its init): the colours
// are applied when the table is made. A page already on screen is restyled at once.
void hb_setAppearanceSettings(PSListController&, std::shared_ptr<HBAppearanceSettings>);
// The page's own settings, else the nearest of the pages that pushed it; null when none has any.
std::shared_ptr<HBAppearanceSettings> hb_appearanceSettings(const PSListController&);

}

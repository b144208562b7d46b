#include "ZOVARootListController.hpp"
#include "ZovaAppearance.hpp"

#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <cepheiprefs/PSListController+HBTintAdditions.hpp>
#include <foundation/NSURL.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIApplication.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>

static const Class s_class = objc::registerClass<ZOVARootListController>("ZOVARootListController", "PSListController",
    { { "twitter", objc::method<&ZOVARootListController::twitter>() }, { "help", objc::method<&ZOVARootListController::help>() } });

namespace {

constexpr const char* makerPage = "https://twitter.com/velmarok";

constexpr const char* aboutTitle = "Zova";
constexpr const char* aboutMessage = "Make your assistant more colorful.\n"
                                     " Because she\u2019s sad sometimes!\n"
                                     "\n"
                                     "This edition is made for advanced users. Please use ony light Gif (in Kb)\n"
                                     "\n"
                                     "Thanks for testing it to\n"
                                     "Irene Castaldi\n"
                                     "\n"
                                     "\n"
                                     "Made by velmarok.\n"
                                     "Not affiliated with the maker of your phone.";

std::shared_ptr<UIColor> color(double red, double green, double blue, double alpha)
{
    return UIColor::colorWithRed(red, green, blue, alpha);
}

}

ZOVARootListController::ZOVARootListController()
{
    auto appearance = std::make_shared<HBAppearanceSettings>();
    appearance->setStatusBarTintColor(zova::accentColor());
    appearance->setNavigationBarTintColor(zova::accentColor());
    appearance->setNavigationBarBackgroundColor(color(0.1, 0.1, 0.1, 1.0));
    appearance->setTintColor(zova::accentColor());
    appearance->setTableViewBackgroundColor(color(0.02, 0.02, 0.02, 1.0));
    appearance->setTableViewCellBackgroundColor(color(0.2, 0.2, 0.2, 1.0));
    appearance->setTableViewCellTextColor(zova::accentColor());
    appearance->setTableViewCellSelectionColor(color(0.35, 0.3, 0.44, 0.7));
    appearance->setTableViewCellSeparatorColor(color(0.02, 0.02, 0.02, 1.0));
    HBTintAdditions::hb_setAppearanceSettings(*this, appearance);
}

void ZOVARootListController::viewWillAppear(bool animated)
{
    PSListController::viewWillAppear(animated);
    // The outer bar is opaque on this page; the picture list makes it translucent.
    auto pageNavigation = navigationController();
    if (!pageNavigation)
        return;
    if (auto outer = pageNavigation->navigationController())
        outer->navigationBar()->setTranslucent(false);
}

std::shared_ptr<PSSpecifierArray> ZOVARootListController::specifiers()
{
    if (!_specifiers)
        _specifiers = loadSpecifiersFromPlistName("Root", shared_from_this());
    return _specifiers;
}

void ZOVARootListController::twitter()
{
    UIApplication::sharedApplication()->openURL(NSURL::URLWithString(makerPage), {}, nullptr);
}

void ZOVARootListController::help()
{
    auto alert = UIAlertController::alertControllerWithTitle(aboutTitle, aboutMessage, 1);
    auto thankYou = UIAlertAction::actionWithTitle("Thank You", 1, [](std::shared_ptr<UIAlertAction>) { });
    alert->addAction(thankYou);
    presentViewController(alert, true, nullptr);
}

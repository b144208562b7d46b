// The root settings page as the Settings app shows it.
#include "SettingsDevice.hpp"

#include <audiotoolbox/AudioServices.hpp>
#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <cepheiprefs/PSListController+HBTintAdditions.hpp>
#include <foundation/NSBundle.hpp>
#include <foundation/NSURL.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIApplication.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

namespace {

bool outerBarIsTranslucent(SettingsDevice& device)
{
    return device.page()->navigationController()->navigationController()->navigationBar()->isTranslucent();
}

void expectColour(const std::shared_ptr<UIColor>& colour, double red, double green, double blue, double alpha)
{
    ASSERT_NE(colour, nullptr);
    EXPECT_DOUBLE_EQ(colour->red(), red);
    EXPECT_DOUBLE_EQ(colour->green(), green);
    EXPECT_DOUBLE_EQ(colour->blue(), blue);
    EXPECT_DOUBLE_EQ(colour->alpha(), alpha);
}

}

// Reading the list anew at each request would rebuild rows under the user's finger.
TEST(RootPage, RowsAreLoadedOnceAndCached)
{
    SettingsDevice device;
    device.step("open", "Zova");
    auto page = device.page();
    ASSERT_EQ(class_getName(object_getClass(page.get())), std::string("ZOVARootListController"));
    auto rows = page->specifiers();
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(page->specifiers(), rows);
    std::vector<std::string> names;
    for (const auto& row : *rows)
        names.push_back(row->name());
    EXPECT_NE(std::find(names.begin(), names.end(), "Enabled"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Full opacity"), names.end());
}

// The scheme is part of the product: nine colours, only the selection translucent.
TEST(RootPage, GivesItselfTheNineColours)
{
    SettingsDevice device;
    device.step("open", "Zova");
    auto settings = HBTintAdditions::hb_appearanceSettings(*device.page());
    ASSERT_NE(settings, nullptr);
    expectColour(settings->statusBarTintColor(), 0.55, 0.5, 0.64, 1.0);
    expectColour(settings->navigationBarTintColor(), 0.55, 0.5, 0.64, 1.0);
    expectColour(settings->navigationBarBackgroundColor(), 0.1, 0.1, 0.1, 1.0);
    expectColour(settings->tintColor(), 0.55, 0.5, 0.64, 1.0);
    expectColour(settings->tableViewBackgroundColor(), 0.02, 0.02, 0.02, 1.0);
    expectColour(settings->tableViewCellBackgroundColor(), 0.2, 0.2, 0.2, 1.0);
    expectColour(settings->tableViewCellTextColor(), 0.55, 0.5, 0.64, 1.0);
    expectColour(settings->tableViewCellSelectionColor(), 0.35, 0.3, 0.44, 0.7);
    expectColour(settings->tableViewCellSeparatorColor(), 0.02, 0.02, 0.02, 1.0);
}

// The outer bar must follow the page on screen, also when coming back from the picture list.
TEST(RootPage, OuterBarIsOpaqueHereAndTranslucentOnThePictureList)
{
    SettingsDevice device;
    device.step("open", "Zova");
    EXPECT_FALSE(outerBarIsTranslucent(device));
    EXPECT_TRUE(device.page()->navigationController()->navigationBar()->isTranslucent()) << "the page's own bar is left alone";
    device.step("tap", "Picture");
    EXPECT_TRUE(outerBarIsTranslucent(device));
    device.step("back");
    EXPECT_FALSE(outerBarIsTranslucent(device));
}

// A page shown without an outer navigation controller must simply show.
TEST(RootPage, ShowsWithoutAnOuterNavigationController)
{
    SettingsDevice device;
    auto bundle = NSBundle::bundleWithPath("/Library/PreferenceBundles/zovaprefs.bundle");
    ASSERT_NE(bundle, nullptr);
    auto page = std::dynamic_pointer_cast<PSListController>(class_createInstance(bundle->principalClass()));
    ASSERT_NE(page, nullptr);
    auto window = UIWindow::initWithFrame(UIScreen::mainScreen()->bounds());
    auto navigation = UINavigationController::initWithRootViewController(page);
    window->setRootViewController(navigation);
    device.settle();
    EXPECT_TRUE(navigation->navigationBar()->isTranslucent());
    EXPECT_GT(page->table()->numberOfSections(), 0);
}

// The about alert has exactly one button, in the cancel style, and tapping it only closes it.
TEST(RootPage, AboutAlertClosesWithItsOneButton)
{
    SettingsDevice device;
    device.step("open", "Zova");
    device.step("tap", "About Zova");
    auto alert = std::dynamic_pointer_cast<UIAlertController>(device.app().presented());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "Zova");
    EXPECT_EQ(alert->preferredStyle(), 1);
    EXPECT_EQ(alert->message().rfind("Make your assistant more colorful.\n Because she\u2019s sad sometimes!\n\n", 0), 0u);
    EXPECT_NE(alert->message().find("Please use ony light Gif (in Kb)"), std::string::npos);
    ASSERT_EQ(alert->actions().size(), 1u);
    EXPECT_EQ(alert->actions()[0]->title(), "Thank You");
    EXPECT_EQ(alert->actions()[0]->style(), 1);

    device.step("tap", "Thank You");
    EXPECT_EQ(device.app().presented(), nullptr);
    EXPECT_TRUE(AudioServicesPlayedSystemSounds().empty());
    EXPECT_TRUE(device.store()->dictionaryRepresentation().empty());
}

// The actions take no argument and reach the page by selector from its rows.
TEST(RootPage, MakersPageOpensFromItsRow)
{
    SettingsDevice device;
    device.step("open", "Zova");
    size_t before = UIApplication::sharedApplication()->openedURLs().size();
    device.step("tap", "Follow @velmarok on Twitter");
    auto opened = UIApplication::sharedApplication()->openedURLs();
    ASSERT_EQ(opened.size(), before + 1);
    EXPECT_EQ(opened.back()->absoluteString(), "https://twitter.com/velmarok");
}

// The switch rows write the settings the tweak reads, under the shared identifier.
TEST(RootPage, SwitchesWriteTheStore)
{
    SettingsDevice device;
    device.step("open", "Zova");
    device.step("tap", "Full opacity");
    EXPECT_FALSE(device.store()->boolForKey("trasparente", true));
    device.step("tap", "Enabled");
    EXPECT_FALSE(device.store()->boolForKey("acceso", true));
}

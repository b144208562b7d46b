#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <cepheiprefs/PSListController+HBTintAdditions.hpp>
#include <foundation/NSRunLoop.hpp>
#include <preferences/PSListItemsController.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

using namespace HBTintAdditions;

namespace {

std::shared_ptr<UIColor> color(double red, double green, double blue, double alpha = 1)
{
    return UIColor::colorWithRed(red, green, blue, alpha);
}

// A page that themes itself while it is being made, before it has a view or a navigation
// controller, as the root settings page does.
class ThemedPage : public PSListController {
public:
    ThemedPage()
    {
        settings = HBAppearanceSettings::init();
        settings->setNavigationBarTintColor(color(0.55, 0.5, 0.64));
        settings->setNavigationBarBackgroundColor(color(0.1, 0.1, 0.1));
        settings->setTintColor(color(0.55, 0.5, 0.64));
        settings->setTableViewBackgroundColor(color(0.02, 0.02, 0.02));
        settings->setTableViewCellBackgroundColor(color(0.2, 0.2, 0.2));
        settings->setTableViewCellTextColor(color(0.55, 0.5, 0.64));
        settings->setTableViewCellSelectionColor(color(0.35, 0.3, 0.44, 0.7));
        settings->setTableViewCellSeparatorColor(color(0.02, 0.02, 0.02));
        hb_setAppearanceSettings(*this, settings);
        auto rows = std::make_shared<PSSpecifierArray>();
        rows->push_back(PSSpecifier::specifierWithDictionary({ { "cell", "PSLinkListCell" }, { "label", "Picture" },
            { "detail", "ZTThemeItems" }, { "validValues", PlistArray { 0, 1 } } }));
        rows->push_back(PSSpecifier::specifierWithDictionary({ { "cell", "PSButtonCell" }, { "label", "About" } }));
        _specifiers = rows;
    }

    std::shared_ptr<HBAppearanceSettings> settings;
};
const Class s_themedClass = objc::registerClass<ThemedPage>("ZTThemedPage", "PSListController");

// A pushed choice page that notes each cell's background as the row is displayed, as the picture
// page copies it onto its button.
class ThemeItems : public PSListItemsController {
public:
    void tableViewWillDisplayCellForRowAtIndexPath(UITableView*, std::shared_ptr<UITableViewCell> cell, std::shared_ptr<NSIndexPath>) override
    {
        backgrounds.push_back(cell->backgroundColor());
    }

    std::vector<std::shared_ptr<UIColor>> backgrounds;
};
const Class s_itemsClass = objc::registerClass<ThemeItems>("ZTThemeItems", "PSListItemsController");

}

// Catches settings handed over before the view exists being lost, and colours not reaching the
// table and its cells by the time each row is displayed.
TEST(HBAppearance, SettingsGivenAtCreationColourTheTableAndCells)
{
    auto page = std::make_shared<ThemedPage>();
    EXPECT_EQ(hb_appearanceSettings(*page), page->settings);
    auto table = page->table();
    EXPECT_EQ(table->backgroundColor(), page->settings->tableViewBackgroundColor());
    EXPECT_EQ(table->separatorColor(), page->settings->tableViewCellSeparatorColor());
    EXPECT_EQ(table->tintColor(), page->settings->tintColor());
    ASSERT_EQ(table->visibleCells().size(), 2u);
    for (const auto& cell : table->visibleCells()) {
        EXPECT_EQ(cell->backgroundColor(), page->settings->tableViewCellBackgroundColor());
        EXPECT_EQ(cell->textLabel()->textColor(), page->settings->tableViewCellTextColor());
        ASSERT_NE(cell->selectedBackgroundView(), nullptr);
        EXPECT_EQ(cell->selectedBackgroundView()->backgroundColor()->alpha(), 0.7);
    }

    auto replacement = HBAppearanceSettings::init();
    replacement->setTableViewCellBackgroundColor(color(1, 0, 0));
    hb_setAppearanceSettings(*page, replacement);
    EXPECT_TRUE(table->visibleCells()[0]->backgroundColor()->isEqual(*color(1, 0, 0)));
}

// Catches pushed pages drawn in the platform's colours, a page's own settings ignored in favour of
// its opener's, and bars above the page left uncoloured.
TEST(HBAppearance, PushedPagesInheritUnlessTheyHaveTheirOwn)
{
    auto page = std::make_shared<ThemedPage>();
    auto inner = UINavigationController::initWithRootViewController(page);
    auto outer = UINavigationController::initWithRootViewController(std::make_shared<PSListController>());
    auto window = UIWindow::initWithFrame(CGRectMake(0, 0, 390, 844));
    window->setRootViewController(outer);
    outer->pushViewController(inner, false);
    NSRunLoop::mainRunLoop()->runUntil([&] { return page->isAppearingOrVisible(); }, 5);
    EXPECT_EQ(outer->navigationBar()->barTintColor(), page->settings->navigationBarBackgroundColor());
    EXPECT_EQ(inner->navigationBar()->tintColor(), page->settings->navigationBarTintColor());

    ASSERT_TRUE(page->tapRowWithText("Picture"));
    auto items = std::dynamic_pointer_cast<ThemeItems>(inner->topViewController());
    ASSERT_NE(items, nullptr);
    items->view();
    EXPECT_EQ(hb_appearanceSettings(*items), page->settings);
    ASSERT_EQ(items->backgrounds.size(), 2u);
    EXPECT_EQ(items->backgrounds[0], page->settings->tableViewCellBackgroundColor());
    EXPECT_EQ(items->table()->backgroundColor(), page->settings->tableViewBackgroundColor());

    auto own = HBAppearanceSettings::init();
    hb_setAppearanceSettings(*items, own);
    EXPECT_EQ(hb_appearanceSettings(*items), own);
    EXPECT_EQ(hb_appearanceSettings(PSListController()), nullptr);
}

// Catches the bars kept in a themed page's colours after the user has left its pages, and the
// colours lost between a pushed page that inherits them and the themed page it goes back to.
TEST(HBAppearance, BarsGetTheirColoursBackWhenAPageWithoutSettingsShowsAgain)
{
    auto home = std::make_shared<PSListController>();
    auto outer = UINavigationController::initWithRootViewController(home);
    auto window = UIWindow::initWithFrame(CGRectMake(0, 0, 390, 844));
    window->setRootViewController(outer);
    const auto& bar = outer->navigationBar();
    auto homeTint = color(0, 0.48, 1);
    bar->setTintColor(homeTint);
    auto settle = [] { NSRunLoop::mainRunLoop()->runForTimeInterval(0.05); };

    auto page = std::make_shared<ThemedPage>();
    auto inner = UINavigationController::initWithRootViewController(page);
    outer->pushViewController(inner, false);
    settle();
    EXPECT_EQ(bar->barTintColor(), page->settings->navigationBarBackgroundColor());
    EXPECT_EQ(bar->tintColor(), page->settings->navigationBarTintColor());

    ASSERT_TRUE(page->tapRowWithText("Picture"));
    settle();
    inner->popViewControllerAnimated(false);
    EXPECT_EQ(bar->barTintColor(), page->settings->navigationBarBackgroundColor());
    settle();
    EXPECT_EQ(bar->tintColor(), page->settings->navigationBarTintColor());

    outer->popViewControllerAnimated(false);
    EXPECT_EQ(bar->barTintColor(), nullptr);
    EXPECT_EQ(bar->tintColor(), homeTint);
    settle();

    // Entering again saves the colours again, not the themed ones left from before.
    auto again = std::make_shared<ThemedPage>();
    outer->pushViewController(UINavigationController::initWithRootViewController(again), false);
    settle();
    outer->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(bar->tintColor(), homeTint);
}

#include "uikit/ControllerTestSupport.hpp"

#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UIView.hpp>

#include <gtest/gtest.h>

using namespace ControllerTestSupport;

namespace {

using Events = std::vector<std::string>;
using RecordingNavigation = Recording<UINavigationController>;

std::shared_ptr<RecordingController> page(const std::string& name)
{
    return std::make_shared<RecordingController>(name);
}

}

// Catches the root missing viewWillAppear on first display, the pushed or revealed page not
// hearing it, the callbacks out of order, or the root popped or a page pushed twice.
TEST(UINavigationControllerStack, PushAndPopAnnounceAppearanceInOrder)
{
    auto root = page("root");
    auto detail = page("detail");
    auto navigation = UINavigationController::initWithRootViewController(root);
    events().clear();
    auto window = makeWindow(navigation);
    EXPECT_EQ(events(), (Events { "root willAppear", "root didAppear" }));

    events().clear();
    navigation->pushViewController(detail, true);
    EXPECT_EQ(navigation->topViewController(), detail);
    EXPECT_EQ(events(), (Events { "root willDisappear", "detail willAppear" }));
    settle();
    EXPECT_EQ(events(), (Events { "root willDisappear", "detail willAppear", "root didDisappear", "detail didAppear" }));
    EXPECT_EQ(root->view()->superview(), nullptr);

    events().clear();
    EXPECT_EQ(navigation->popViewControllerAnimated(false), detail);
    settle();
    EXPECT_EQ(events(), (Events { "detail willDisappear", "root willAppear", "detail didDisappear", "root didAppear" }));
    EXPECT_EQ(navigation->viewControllers(), (UIViewController::Controllers { root }));
    EXPECT_EQ(detail->parentViewController(), nullptr);
    EXPECT_EQ(detail->view()->superview(), nullptr);

    navigation->pushViewController(root, false);
    navigation->pushViewController(navigation, false);
    EXPECT_EQ(navigation->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(navigation->viewControllers(), (UIViewController::Controllers { root }));
}

// Catches pages hearing viewWillAppear while their stack isn't on screen, and hearing it twice.
TEST(UINavigationControllerStack, OffScreenStackDefersAppearance)
{
    auto root = page("root");
    auto navigation = UINavigationController::initWithRootViewController(root);
    events().clear();
    navigation->pushViewController(page("second"), false);
    settle();
    EXPECT_TRUE(events().empty());
    auto window = makeWindow(navigation);
    EXPECT_EQ(events(), (Events { "second willAppear", "second didAppear" }));
}

// Catches the top page covering the bar, and the bar not following the top page's title.
TEST(UINavigationControllerLayout, TopPageFillsTheAreaBelowTheBar)
{
    auto root = page("root");
    root->setTitle("Zova");
    auto navigation = UINavigationController::initWithRootViewController(root);
    auto window = makeWindow(navigation);
    auto bounds = window->bounds();
    const CGFloat bar = UINavigationController::navigationBarHeight;
    EXPECT_EQ(root->view()->frame(), CGRectMake(0, bar, bounds.size.width, bounds.size.height - bar));
    EXPECT_EQ(navigation->view()->subviews().back(), navigation->navigationBar());
    EXPECT_EQ(navigation->navigationBar()->displayedTitle(), "Zova");
    EXPECT_TRUE(navigation->navigationBar()->isTranslucent());

    auto detail = page("detail");
    navigation->pushViewController(detail, false);
    detail->navigationItem()->setTitle("Pictures");
    EXPECT_EQ(navigation->navigationBar()->displayedTitle(), "Pictures");
    EXPECT_EQ(navigation->navigationBar()->backItem(), root->navigationItem());
    settle();
}

// Catches a page of an inner stack finding the wrong navigation controller, the inner stack not
// showing its own top page, or its pages missing viewWillAppear when the inner stack is pushed.
TEST(UINavigationControllerNesting, InnerStackPushedOntoOuterOne)
{
    auto home = page("home");
    auto outer = UINavigationController::initWithRootViewController(home);
    auto window = makeWindow(outer);
    auto settings = page("settings");
    auto inner = std::make_shared<RecordingNavigation>("inner");
    inner->pushViewController(settings, false);
    inner->setNavigationBarHidden(true, false);
    events().clear();
    outer->pushViewController(inner, false);
    settle();
    EXPECT_EQ(events(), (Events { "home willDisappear", "inner willAppear", "settings willAppear", "home didDisappear", "inner didAppear", "settings didAppear" }));
    EXPECT_EQ(settings->navigationController(), inner);
    EXPECT_EQ(inner->navigationController(), outer);
    EXPECT_EQ(settings->navigationController()->navigationController()->navigationBar(), outer->navigationBar());
    EXPECT_EQ(home->navigationController(), outer);
    EXPECT_EQ(outer->navigationController(), nullptr);
    EXPECT_TRUE(settings->view()->isDescendantOfView(inner->view().get()));
    // The inner stack lies under the outer bar; its page starts below it.
    const CGFloat bar = UINavigationController::navigationBarHeight;
    EXPECT_EQ(inner->view()->frame(), outer->view()->bounds());
    auto below = inner->view()->bounds();
    EXPECT_EQ(settings->view()->frame(), CGRectMake(0, bar, below.size.width, below.size.height - bar));
    EXPECT_TRUE(settings->view()->window() == window.get());

    auto pictures = page("pictures");
    events().clear();
    inner->pushViewController(pictures, false);
    outer->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(events(), (Events { "settings willDisappear", "pictures willAppear", "inner willDisappear", "pictures willDisappear", "home willAppear", "settings didDisappear", "pictures didDisappear", "inner didDisappear", "home didAppear" }));
}

// Catches two bars on screen for a nested stack, and the outer bar showing the nested controller's
// untitled item, a stale title after a push or pop inside the nested stack, or the wrong back item.
TEST(UINavigationControllerNesting, HiddenInnerBarShowsItsPagesInTheOuterBar)
{
    auto home = page("home");
    home->setTitle("Settings");
    auto outer = UINavigationController::initWithRootViewController(home);
    auto window = makeWindow(outer);
    auto root = page("root");
    root->setTitle("Zova");
    auto inner = UINavigationController::initWithRootViewController(root);
    inner->setNavigationBarHidden(true, false);
    outer->pushViewController(inner, false);
    settle();
    const auto& bar = outer->navigationBar();
    EXPECT_EQ(bar->displayedTitle(), "Zova");
    EXPECT_EQ(bar->displayedBackTitle(), "Settings");
    EXPECT_TRUE(inner->navigationBar()->isHidden());

    auto pictures = page("pictures");
    inner->pushViewController(pictures, false);
    pictures->navigationItem()->setTitle("Zova Pictures");
    EXPECT_EQ(bar->displayedTitle(), "Zova Pictures");
    EXPECT_EQ(bar->displayedBackTitle(), "Zova");
    settle();
    inner->popViewControllerAnimated(false);
    EXPECT_EQ(bar->displayedTitle(), "Zova");
    EXPECT_EQ(bar->displayedBackTitle(), "Settings");
    settle();
    outer->popViewControllerAnimated(false);
    EXPECT_EQ(bar->displayedTitle(), "Settings");
    EXPECT_EQ(bar->displayedBackTitle(), "");
    settle();

    // Shown again, the inner bar takes its items back.
    inner->setNavigationBarHidden(false, false);
    EXPECT_EQ(inner->navigationBar()->displayedTitle(), "Zova");
}

// Catches a table pushed in a nested stack left below a translucent outer bar (nothing shows
// through it) or with its first rows under the bar, and the layout not following the bar when a
// page makes it opaque or translucent as it appears.
TEST(UINavigationControllerLayout, TablesLieUnderTranslucentBarsWithTheirRowsBelow)
{
    auto outer = UINavigationController::initWithRootViewController(page("home"));
    auto window = makeWindow(outer);
    auto list = std::make_shared<UIViewController>();
    list->setView(UITableView::initWithFrame(CGRectMake(0, 0, 390, 844), UITableViewStyleGrouped));
    auto inner = UINavigationController::initWithRootViewController(list);
    inner->setNavigationBarHidden(true, false);
    outer->pushViewController(inner, false);
    settle();
    const CGFloat bar = UINavigationController::navigationBarHeight;
    auto full = outer->view()->bounds();
    EXPECT_EQ(list->view()->frame(), CGRectMake(0, 0, full.size.width, full.size.height));
    EXPECT_EQ(list->view()->bounds().origin.y, -bar) << "the table's top row starts below the bar";

    outer->navigationBar()->setTranslucent(false);
    auto below = CGRectMake(0, bar, full.size.width, full.size.height - bar);
    EXPECT_EQ(CGRectMake(0, inner->view()->frame().origin.y + list->view()->frame().origin.y, list->view()->frame().size.width,
                  list->view()->frame().size.height),
        below);
    EXPECT_EQ(list->view()->bounds().origin.y, 0);

    outer->navigationBar()->setTranslucent(true);
    EXPECT_EQ(list->view()->frame().origin.y + inner->view()->frame().origin.y, 0);
    EXPECT_EQ(list->view()->bounds().origin.y, -bar);
}

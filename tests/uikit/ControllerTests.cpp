#include "uikit/ControllerTestSupport.hpp"

#include <foundation/NSURL.hpp>
#include <uikit/UIApplication.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UIView.hpp>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace ControllerTestSupport;

namespace {

struct Shown {
    std::shared_ptr<RecordingController> root = std::make_shared<RecordingController>("root");
    std::shared_ptr<UIWindow> window = makeWindow(root);
};

}

// Catches the completion running inside the call or before the animation's end, and the
// presented view not put over everything in the presenter's window.
TEST(UIViewControllerPresentation, CompletionRunsOnlyAfterTheTransition)
{
    Shown shown;
    auto sheet = std::make_shared<RecordingController>("sheet");
    bool completed = false;
    events().clear();
    shown.root->presentViewController(sheet, true, [&] { completed = true; });
    EXPECT_FALSE(completed);
    EXPECT_EQ(shown.root->presentedViewController(), sheet);
    EXPECT_EQ(sheet->presentingViewController(), shown.root);
    EXPECT_TRUE(sheet->isBeingPresented());
    EXPECT_EQ(shown.window->subviews().back(), sheet->view());
    EXPECT_EQ(sheet->view()->frame(), shown.window->bounds());
    NSRunLoop::mainRunLoop()->runForTimeInterval(UIViewController::transitionDuration / 3);
    EXPECT_FALSE(completed);
    ASSERT_TRUE(waitFor(completed));
    EXPECT_FALSE(sheet->isBeingPresented());
    EXPECT_EQ(events(), (std::vector<std::string> { "sheet willAppear", "sheet didAppear" }));

    bool again = false;
    auto second = std::make_shared<UIViewController>();
    sheet->presentViewController(second, false, [&] { again = true; });
    EXPECT_FALSE(again);
    EXPECT_TRUE(waitFor(again));
}

// Catches a dismissal sent to the presented controller itself being ignored, its view left in the
// window, or the links between the two kept.
TEST(UIViewControllerPresentation, PresentedControllerDismissesItself)
{
    Shown shown;
    auto sheet = std::make_shared<RecordingController>("sheet");
    shown.root->presentViewController(sheet, false, nullptr);
    settle();
    bool dismissed = false;
    events().clear();
    sheet->dismissViewControllerAnimated(true, [&] { dismissed = true; });
    EXPECT_TRUE(sheet->isBeingDismissed());
    EXPECT_EQ(shown.root->presentedViewController(), sheet);
    ASSERT_TRUE(waitFor(dismissed));
    EXPECT_EQ(shown.root->presentedViewController(), nullptr);
    EXPECT_EQ(sheet->presentingViewController(), nullptr);
    EXPECT_EQ(sheet->view()->superview(), nullptr);
    EXPECT_EQ(events(), (std::vector<std::string> { "sheet willDisappear", "sheet didDisappear" }));
}

// Catches a dismissal asked for during another transition being dropped or run out of order, and
// a presentation queued behind it never completing (the import's banner after the picker).
TEST(UIViewControllerPresentation, PresentationAskedForDuringDismissalStillCompletes)
{
    Shown shown;
    auto picker = std::make_shared<UIViewController>();
    shown.root->presentViewController(picker, true, nullptr);
    settle();
    std::vector<std::string> order;
    auto banner = std::make_shared<UIViewController>();
    shown.root->dismissViewControllerAnimated(true, [&] { order.push_back("dismissed picker"); });
    shown.root->presentViewController(banner, true, [&] { order.push_back("presented banner"); });
    ASSERT_TRUE(waitFor([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<std::string> { "dismissed picker", "presented banner" }));
    EXPECT_EQ(shown.root->presentedViewController(), banner);
    EXPECT_EQ(picker->view()->superview(), nullptr);
    EXPECT_EQ(shown.window->subviews().back(), banner->view());

    bool closed = false;
    shown.root->dismissViewControllerAnimated(true, [&] { closed = true; });
    EXPECT_TRUE(waitFor(closed));
    EXPECT_EQ(shown.window->subviews().size(), 1u);
}

// Catches a page inside a stack presenting on its own instead of from the top of its parents, and
// a dismissal sent to that page not reaching what it shows.
TEST(UIViewControllerPresentation, PageInStackPresentsFromItsTopParent)
{
    auto page = std::make_shared<UIViewController>();
    auto navigation = UINavigationController::initWithRootViewController(page);
    auto window = makeWindow(navigation);
    auto alert = std::make_shared<UIViewController>();
    page->presentViewController(alert, false, nullptr);
    settle();
    EXPECT_EQ(navigation->presentedViewController(), alert);
    EXPECT_EQ(page->presentedViewController(), alert);
    EXPECT_EQ(alert->presentingViewController(), navigation);
    bool dismissed = false;
    page->dismissViewControllerAnimated(false, [&] { dismissed = true; });
    EXPECT_TRUE(waitFor(dismissed));
    EXPECT_EQ(navigation->presentedViewController(), nullptr);
}

// Catches misuse that corrupts the links: presenting a controller twice, presenting oneself,
// presenting while already presenting, and dismissing with nothing presented.
TEST(UIViewControllerPresentation, MisuseIsRefusedWithoutCompletion)
{
    Shown shown;
    auto sheet = std::make_shared<UIViewController>();
    auto other = std::make_shared<UIViewController>();
    int completions = 0;
    auto count = [&] { ++completions; };
    shown.root->presentViewController(sheet, false, count);
    shown.root->presentViewController(sheet, false, count);
    sheet->presentViewController(sheet, false, count);
    sheet->presentViewController(shown.root, false, count);
    shown.root->presentViewController(nullptr, false, count);
    settle();
    shown.root->presentViewController(other, false, count);
    settle();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(shown.root->presentedViewController(), sheet);
    EXPECT_EQ(other->presentingViewController(), nullptr);

    auto lonely = std::make_shared<UIViewController>();
    lonely->dismissViewControllerAnimated(false, count);
    settle();
    EXPECT_EQ(completions, 1);
}

// Catches a URL not recorded for the host, or the completion reporting success or running
// inside the call.
TEST(UIApplicationOpenURL, RecordedAndReportedNotOpened)
{
    auto application = UIApplication::sharedApplication();
    auto before = application->openedURLs().size();
    auto url = NSURL::URLWithString("https://example.com/maker");
    application->openURL(url, {}, nullptr);
    int calls = 0;
    bool opened = true;
    application->openURL(url, {}, [&](bool success) {
        ++calls;
        opened = success;
    });
    application->openURL(nullptr, {}, nullptr);
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(waitFor([&] { return calls == 1; }));
    EXPECT_FALSE(opened);
    auto urls = application->openedURLs();
    ASSERT_EQ(urls.size(), before + 2);
    EXPECT_EQ(urls.back()->absoluteString(), "https://example.com/maker");
}

// Catches a throwing completion or appearance callback jamming the window's queue, so that later
// transitions never run (the banner would stay up for good).
TEST(UIViewControllerPresentation, ThrowingSystemCodeDoesNotJamTheQueue)
{
    struct Throwing : UIViewController {
        void viewWillAppear(bool) override { throw std::runtime_error("page failed"); }
    };
    Shown shown;
    auto sheet = std::make_shared<Throwing>();
    shown.root->presentViewController(sheet, false, [] { throw std::runtime_error("completion failed"); });
    bool dismissed = false;
    shown.root->dismissViewControllerAnimated(false, [&] { dismissed = true; });
    EXPECT_TRUE(waitFor(dismissed));
    EXPECT_EQ(shown.root->presentedViewController(), nullptr);
}

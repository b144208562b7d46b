#include "uikit/ControllerTestSupport.hpp"

#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIView.hpp>

#include <gtest/gtest.h>

using namespace ControllerTestSupport;

namespace {

std::shared_ptr<UIAlertController> aboutAlert(std::vector<std::string>& log)
{
    auto alert = UIAlertController::alertControllerWithTitle("Zova", "Make your assistant more colorful.", UIAlertControllerStyleAlert);
    alert->addAction(UIAlertAction::actionWithTitle("Thank You", UIAlertActionStyleCancel, [&log, alert = alert.get()](std::shared_ptr<UIAlertAction> action) {
        log.push_back("handler " + action->title() + (alert->presentingViewController() ? " while shown" : " after dismissal"));
    }));
    return alert;
}

}

// Catches a tap that runs the handler before (or instead of) dismissing the alert, or one that
// leaves the alert's view on screen.
TEST(UIAlertControllerTap, DismissesThenRunsTheHandler)
{
    auto root = std::make_shared<UIViewController>();
    auto window = makeWindow(root);
    std::vector<std::string> log;
    auto alert = aboutAlert(log);
    EXPECT_EQ(alert->title(), "Zova");
    bool shown = false;
    root->presentViewController(alert, true, [&] { shown = true; });
    ASSERT_TRUE(waitFor(shown));
    EXPECT_EQ(window->subviews().back(), alert->view());

    EXPECT_TRUE(alert->tapActionWithTitle("Thank You"));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(alert->isBeingDismissed());
    EXPECT_FALSE(alert->tapAction(0));
    ASSERT_TRUE(waitFor([&] { return !log.empty(); }));
    EXPECT_EQ(log, (std::vector<std::string> { "handler Thank You after dismissal" }));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(alert->view()->superview(), nullptr);
}

// Catches taps that crash or act on an alert that can't take them (not presented, without
// actions, naming nothing, disabled), a second cancel action, and a handler-less button stuck.
TEST(UIAlertControllerTap, RefusedWhereNoButtonCanBeTapped)
{
    std::vector<std::string> log;
    auto unshown = aboutAlert(log);
    EXPECT_FALSE(unshown->tapAction(0));

    auto root = std::make_shared<UIViewController>();
    auto window = makeWindow(root);
    auto empty = UIAlertController::alertControllerWithTitle("Empty", "", UIAlertControllerStyleActionSheet);
    root->presentViewController(empty, false, nullptr);
    settle();
    EXPECT_FALSE(empty->tapAction(0));
    EXPECT_FALSE(empty->tapActionWithTitle(""));
    auto disabled = UIAlertAction::actionWithTitle("Later", UIAlertActionStyleDefault, nullptr);
    disabled->setEnabled(false);
    empty->addAction(disabled);
    // The platform raises on a second cancel action.
    empty->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleCancel, nullptr));
    empty->addAction(UIAlertAction::actionWithTitle("Close", UIAlertActionStyleCancel, nullptr));
    ASSERT_EQ(empty->actions().size(), 2u);
    EXPECT_FALSE(empty->tapAction(-1));
    EXPECT_FALSE(empty->tapAction(2));
    EXPECT_FALSE(empty->tapActionWithTitle("Later"));
    EXPECT_EQ(root->presentedViewController(), empty);
    EXPECT_TRUE(log.empty());
    // A button without a handler still closes the alert.
    EXPECT_TRUE(empty->tapActionWithTitle("OK"));
    EXPECT_TRUE(waitFor([&] { return !root->presentedViewController(); }));
}


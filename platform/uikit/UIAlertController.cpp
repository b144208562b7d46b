#include <uikit/UIAlertController.hpp>

#include <uikit/UIAlertAction.hpp>

#include <algorithm>
#include <cstdio>

static const Class s_class = objc::registerClass<UIAlertController>("UIAlertController", "UIViewController");

namespace {

void refuse(const char* what)
{
    std::fprintf(stderr, "UIAlertController: %s; ignored\n", what);
}

}

UIAlertController::UIAlertController(std::string title, std::string message, long preferredStyle)
    : m_message(std::move(message))
    , m_preferredStyle(preferredStyle)
{
    setTitle(std::move(title));
}

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitle(std::string title, std::string message, long preferredStyle)
{
    return std::make_shared<UIAlertController>(std::move(title), std::move(message), preferredStyle);
}

void UIAlertController::addAction(std::shared_ptr<UIAlertAction> action)
{
    if (!action) {
        refuse("a null action can't be added");
        return;
    }
    bool isCancel = action->style() == UIAlertActionStyleCancel;
    if (isCancel && std::ranges::any_of(m_actions, [](const auto& other) { return other->style() == UIAlertActionStyleCancel; })) {
        refuse("an alert can have only one action in the cancel style");
        return;
    }
    m_actions.push_back(std::move(action));
}

bool UIAlertController::tapAction(long index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_actions.size()) {
        refuse("no action at that index");
        return false;
    }
    return tap(m_actions[static_cast<size_t>(index)]);
}

bool UIAlertController::tapActionWithTitle(const std::string& title)
{
    auto it = std::ranges::find_if(m_actions, [&title](const auto& action) { return action->title() == title; });
    if (it == m_actions.end()) {
        refuse("no action has that title");
        return false;
    }
    return tap(*it);
}

bool UIAlertController::tap(const std::shared_ptr<UIAlertAction>& action)
{
    if (!presentingViewController() || isBeingDismissed() || m_wasTapped) {
        refuse("only an alert on screen can be tapped, once");
        return false;
    }
    if (!action->isEnabled()) {
        refuse("the action is disabled");
        return false;
    }
    m_wasTapped = true;
    dismissViewControllerAnimated(true, [action] {
        if (action->handler())
            action->handler()(action);
    });
    return true;
}

void UIAlertController::viewDidDisappear(bool animated)
{
    UIViewController::viewDidDisappear(animated);
    // Presented again, the alert takes taps again.
    m_wasTapped = false;
}

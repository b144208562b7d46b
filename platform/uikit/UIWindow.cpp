#include <uikit/UIWindow.hpp>

#include <uikit/UIViewController.hpp>

#include <cstdio>
#include <utility>

static const Class s_class = objc::registerClass<UIWindow>("UIWindow", "UIView");

std::shared_ptr<UIWindow> UIWindow::initWithFrame(CGRect frame)
{
    return std::make_shared<UIWindow>(frame);
}

void UIWindow::setRootViewController(std::shared_ptr<UIViewController> controller)
{
    if (controller == m_rootViewController)
        return;
    if (controller && (controller->parentViewController() || controller->presentingViewController())) {
        std::fprintf(stderr, "UIWindow: a controller inside another or presented can't be the root; ignored\n");
        return;
    }
    if (auto previous = std::exchange(m_rootViewController, nullptr)) {
        previous->beginAppearanceTransition(false, false);
        if (previous->isViewLoaded() && previous->view()->superview() == this)
            previous->view()->removeFromSuperview();
        previous->endAppearanceTransition();
    }
    m_rootViewController = std::move(controller);
    if (!m_rootViewController)
        return;
    auto view = m_rootViewController->view();
    view->setFrame(bounds());
    m_rootViewController->viewWillLayoutSubviews();
    m_rootViewController->beginAppearanceTransition(true, false);
    insertSubview(view, 0);
    m_rootViewController->endAppearanceTransition();
}

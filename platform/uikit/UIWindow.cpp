#include <uikit/UIWindow.hpp>

#include <uikit/UIEvent.hpp>
#include <uikit/UIViewController.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
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

namespace {

constexpr long maximumDragSteps = 1000;

// A touch is the host's event: a responder that throws must not take the host down.
template<typename Deliver>
bool deliver(UITouch& touch, Deliver send)
{
    UIEvent event(std::static_pointer_cast<UITouch>(touch.shared_from_this()));
    try {
        send(*touch.view(), &event);
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "UIWindow: a touch handler threw an exception: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "UIWindow: a touch handler threw an exception of an unknown type\n");
    }
    return !event.wasDropped();
}

}

bool UIWindow::sendTouch(UITouchPhase phase, CGPoint point)
{
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return false;
    // The window may lose its last owner to what a touch does.
    auto protectedThis = weak_from_this().lock();
    if (phase == UITouchPhaseBegan)
        return beginTouch(point);
    if (!m_touch || phase == UITouchPhaseStationary)
        return false;
    auto touch = m_touch;
    touch->moveTo(phase, point);
    if (phase == UITouchPhaseMoved)
        return deliver(*touch, [](UIView& target, UIEvent* event) { target.touchesMoved(*event->touch(), event); });
    m_touch = nullptr;
    if (phase == UITouchPhaseEnded)
        return deliver(*touch, [](UIView& target, UIEvent* event) { target.touchesEnded(*event->touch(), event); });
    return deliver(*touch, [](UIView& target, UIEvent* event) { target.touchesCancelled(*event->touch(), event); });
}

bool UIWindow::beginTouch(CGPoint point)
{
    if (m_touch)
        sendTouch(UITouchPhaseCancelled, m_touch->locationInView(this));
    auto view = hitTest(point, nullptr);
    if (!view)
        return false;
    m_touch = std::make_shared<UITouch>(std::move(view), std::static_pointer_cast<UIWindow>(weak_from_this().lock()), point);
    auto touch = m_touch;
    return deliver(*touch, [](UIView& target, UIEvent* event) { target.touchesBegan(*event->touch(), event); });
}

bool UIWindow::tapAtPoint(CGPoint point)
{
    if (!sendTouch(UITouchPhaseBegan, point)) {
        sendTouch(UITouchPhaseEnded, point);
        return false;
    }
    return sendTouch(UITouchPhaseEnded, point);
}

bool UIWindow::dragFrom(CGPoint start, CGVector vector, long steps)
{
    if (!std::isfinite(vector.dx) || !std::isfinite(vector.dy))
        return false;
    steps = std::clamp(steps, 1L, maximumDragSteps);
    bool kept = sendTouch(UITouchPhaseBegan, start);
    for (long step = 1; step <= steps; ++step) {
        double share = static_cast<double>(step) / static_cast<double>(steps);
        sendTouch(UITouchPhaseMoved, { start.x + vector.dx * share, start.y + vector.dy * share });
    }
    bool ended = sendTouch(UITouchPhaseEnded, { start.x + vector.dx, start.y + vector.dy });
    return kept && ended;
}

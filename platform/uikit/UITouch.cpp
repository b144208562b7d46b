#include <uikit/UITouch.hpp>

#include <uikit/UIView.hpp>
#include <uikit/UIWindow.hpp>

static const Class s_class = objc::registerClass<UITouch>("UITouch", "NSObject");

UITouch::UITouch(std::shared_ptr<UIView> view, std::weak_ptr<UIWindow> window, CGPoint locationInWindow)
    : m_view(std::move(view))
    , m_window(std::move(window))
    , m_location(locationInWindow)
    , m_previousLocation(locationInWindow)
{
}

CGPoint UITouch::locationInView(const UIView* view) const
{
    return inView(view, m_location);
}

CGPoint UITouch::previousLocationInView(const UIView* view) const
{
    return inView(view, m_previousLocation);
}

void UITouch::moveTo(UITouchPhase phase, CGPoint locationInWindow)
{
    m_phase = phase;
    m_previousLocation = m_location;
    m_location = locationInWindow;
}

CGPoint UITouch::inView(const UIView* view, CGPoint locationInWindow) const
{
    auto window = m_window.lock();
    if (!view || !window)
        return locationInWindow;
    return view->convertPointFromView(locationInWindow, window.get());
}

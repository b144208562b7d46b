// One finger on the screen: its phase, the view it began on and where it is, as the window
// delivers it. One touch at a time; no taps count, force, radius or timestamps.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <objc/NSObject.hpp>

#include <memory>

class UIView;
class UIWindow;

enum UITouchPhase : long {
    UITouchPhaseBegan = 0,
    UITouchPhaseMoved = 1,
    UITouchPhaseStationary = 2,
    UITouchPhaseEnded = 3,
    UITouchPhaseCancelled = 4,
};

class UITouch final : public NSObject {
public:
    UITouch(std::shared_ptr<UIView> view, std::weak_ptr<UIWindow> window, CGPoint locationInWindow);

    UITouchPhase phase() const { return m_phase; }
    // The view the touch began on; it keeps getting the touch wherever the finger goes.
    const std::shared_ptr<UIView>& view() const { return m_view; }
    std::shared_ptr<UIWindow> window() const { return m_window.lock(); }

    // In the view's coordinates; null gives the window's.
    CGPoint locationInView(const UIView*) const;
    CGPoint previousLocationInView(const UIView*) const;

    // Set by the window as the finger moves.
    void moveTo(UITouchPhase, CGPoint locationInWindow);

private:
    CGPoint inView(const UIView*, CGPoint locationInWindow) const;

    UITouchPhase m_phase { UITouchPhaseBegan };
    std::shared_ptr<UIView> m_view;
    std::weak_ptr<UIWindow> m_window;
    CGPoint m_location;
    CGPoint m_previousLocation;
};

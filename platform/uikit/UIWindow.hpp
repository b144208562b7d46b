// A window: the root of a view tree, with a root view controller whose view fills it.
// Frames only; no key window, levels or rotation. Touches come one at a time from the host.
#pragma once

#include <uikit/UITouch.hpp>
#include <uikit/UIView.hpp>

class UIViewController;

class UIWindow : public UIView {
public:
    UIWindow() = default;
    explicit UIWindow(CGRect frame)
        : UIView(frame)
    {
    }

    static std::shared_ptr<UIWindow> initWithFrame(CGRect);

    const std::shared_ptr<UIViewController>& rootViewController() const { return m_rootViewController; }
    // The old root's view leaves the window and the new one's fills it; both hear their
    // disappearance and appearance at once, without animation. A controller inside another or
    // presented is refused.
    void setRootViewController(std::shared_ptr<UIViewController>);

    // The host's finger, at a point in the window's coordinates: a touch begins on the view that
    // hit testing finds there, and its moves and end go to that same view, which passes up the
    // responder chain what it doesn't handle, as the platform delivers touches (one finger only).
    // True when a responder kept the touch; false when nothing was hit, the chain dropped it, or
    // (for a move or an end) no touch was down. A new touch cancels one still down.
    bool sendTouch(UITouchPhase, CGPoint);
    // Down and up at the point.
    bool tapAtPoint(CGPoint);
    // Down at the point, `steps` moves (1 to 1000) along the vector, and up at its end.
    bool dragFrom(CGPoint, CGVector, long steps);

private:
    bool beginTouch(CGPoint);

    std::shared_ptr<UIViewController> m_rootViewController;
    std::shared_ptr<UITouch> m_touch;
};

// A window: the root of a view tree, with a root view controller whose view fills it.
// Frames only; no key window, levels, rotation or events.
#pragma once

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

private:
    std::shared_ptr<UIViewController> m_rootViewController;
};

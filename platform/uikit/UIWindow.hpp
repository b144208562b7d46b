// A window: the root of a view tree. Frames only; no key window, levels, rotation or events.
#pragma once

#include <uikit/UIView.hpp>

class UIWindow : public UIView {
public:
    UIWindow() = default;
    explicit UIWindow(CGRect frame)
        : UIView(frame)
    {
    }

    static std::shared_ptr<UIWindow> initWithFrame(CGRect);
};

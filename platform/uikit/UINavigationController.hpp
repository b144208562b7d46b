// A stack of pages under a navigation bar: the top page's view fills the area below the bar, and
// each page hears viewWillAppear as it is about to come on screen. Navigation controllers nest.
// No toolbar, gestures, delegate callbacks or custom transitions.
#pragma once

#include <uikit/UIViewController.hpp>

class UINavigationBar;

// What a navigation controller's delegate adopts. Nothing of it is called here: the image
// picker's delegate adopts it beside the picker's own.
class UINavigationControllerDelegate {
public:
    virtual ~UINavigationControllerDelegate() = default;
};

class UINavigationController : public UIViewController {
public:
    // Below a status bar the stand-in doesn't draw.
    static constexpr CGFloat navigationBarHeight = 44;

    UINavigationController();

    static std::shared_ptr<UINavigationController> initWithRootViewController(std::shared_ptr<UIViewController>);

    // Bottom to top.
    const Controllers& viewControllers() const { return childViewControllers(); }
    std::shared_ptr<UIViewController> topViewController() const;
    // The top page, or what it (or this controller) presents.
    std::shared_ptr<UIViewController> visibleViewController() const;
    const std::shared_ptr<UINavigationBar>& navigationBar() const { return m_navigationBar; }
    bool isNavigationBarHidden() const;
    void setNavigationBarHidden(bool hidden, bool animated);

    // Refused (with a line on stderr) for null, a page already in a stack or presented, this
    // controller and its ancestors. Another navigation controller may be pushed.
    void pushViewController(std::shared_ptr<UIViewController>, bool animated);
    // The root page stays: popping it gives null and changes nothing.
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
    // The pages taken off, bottom to top; empty when only the root is left.
    Controllers popToRootViewControllerAnimated(bool animated);

    void loadView() override;
    void viewWillLayoutSubviews() override;

protected:
    Controllers appearanceChildren() const override;

private:
    CGRect contentFrame();
    void showTopPage();
    void removeHiddenPageViews();
    void updateNavigationBar();
    Controllers popToDepth(size_t depth, bool animated);

    std::shared_ptr<UINavigationBar> m_navigationBar;
};

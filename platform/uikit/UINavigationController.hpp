// A stack of pages under a navigation bar: the top page's view fills the area below an opaque bar
// (a table's also lies under a translucent one), and each page hears viewWillAppear as it is about
// to come on screen. Navigation controllers nest; one pushed with its bar hidden shows its pages'
// items in the bar above. No toolbar, gestures, safe areas, delegate callbacks or custom transitions.
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
    // A hidden bar leaves its items to the bar of the navigation controller this one is pushed onto.
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
    void placeTopPage(UIViewController&);
    void showTopPage();
    void removeHiddenPageViews();
    void updateNavigationBar();
    Controllers popToDepth(size_t depth, bool animated);

    std::shared_ptr<UINavigationBar> m_navigationBar;
    // The height of the translucent bars of the navigation controllers around this one that lie over
    // the top of its view.
    CGFloat m_coveredHeight { 0 };
};

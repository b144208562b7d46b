// View controllers: a lazily loaded view, appearance callbacks, child controllers and modal
// presentation, full screen into the presenter's window, one transition at a time per window.
// No storyboards, rotation, presentation styles or interactive dismissal.
#pragma once

#include <uikit/UIResponder.hpp>

#include <coregraphics/CGGeometry.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class UINavigationController;
class UINavigationItem;
class UIView;

class UIViewController : public UIResponder {
public:
    using Controllers = std::vector<std::shared_ptr<UIViewController>>;

    // Seconds that an animated presentation, dismissal, push or pop takes. A transition without
    // animation ends on the next turn of the main run loop.
    static constexpr double transitionDuration = 0.35;

    UIViewController() = default;
    ~UIViewController() override;

    // Loads the view on first use: loadView, then viewDidLoad.
    const std::shared_ptr<UIView>& view();
    bool isViewLoaded() const { return m_view != nullptr; }
    // The view without loading it: null until it is loaded.
    const std::shared_ptr<UIView>& viewIfLoaded() const { return m_view; }
    void setView(std::shared_ptr<UIView>);
    // Makes a plain view of the main screen's bounds; subclasses make their own.
    virtual void loadView();
    virtual void viewDidLoad() { }
    // The view's superview: a controller passes on what its view didn't handle.
    UIResponder* nextResponder() const override;
    // Sent after a container or a presentation has given the view its frame.
    virtual void viewWillLayoutSubviews() { }

    // The base implementations do nothing; subclasses call them first.
    virtual void viewWillAppear(bool animated);
    virtual void viewDidAppear(bool animated);
    virtual void viewWillDisappear(bool animated);
    virtual void viewDidDisappear(bool animated);
    // Sends viewWillAppear (or viewWillDisappear) now, to this controller and then to the
    // children on screen in it; endAppearanceTransition sends the matching did call. A begin that
    // repeats the state already reached is dropped, so no page hears viewWillAppear twice in a row.
    void beginAppearanceTransition(bool isAppearing, bool animated);
    void endAppearanceTransition();
    // Between the start of viewWillAppear and the start of viewWillDisappear.
    bool isAppearingOrVisible() const;

    const std::string& title() const { return m_title; }
    // Also the navigation item's title, as on the platform.
    void setTitle(std::string);
    const std::shared_ptr<UINavigationItem>& navigationItem();

    std::shared_ptr<UIViewController> parentViewController() const { return m_parent.lock(); }
    // The nearest navigation controller among the parents, or null.
    std::shared_ptr<UINavigationController> navigationController() const;
    const Controllers& childViewControllers() const { return m_children; }
    // Takes the child out of its previous parent first; refuses itself and its own ancestors.
    void addChildViewController(std::shared_ptr<UIViewController>);
    void removeFromParentViewController();

    // Shows the controller over everything in this controller's window, full screen. Refused (with
    // a line on stderr, no completion) for null, this controller, one already presented or waiting
    // to be, one inside a parent or on screen, or when this controller already presents another.
    // Waits for a transition under way in the same window. The completion runs on the main run
    // loop once the presentation has finished, never within the call.
    void presentViewController(std::shared_ptr<UIViewController>, bool animated, std::function<void()> completion);
    // Dismisses what this controller presents (and all presented above it); sent to a controller
    // that presents nothing but is presented, dismisses that one. With nothing to dismiss when its
    // turn comes, it is ignored and the completion doesn't run.
    void dismissViewControllerAnimated(bool animated, std::function<void()> completion);
    // Both answer for the top of this controller's parents, where presentations start.
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::shared_ptr<UIViewController> presentingViewController() const;
    bool isBeingPresented() const { return m_modalTransition == ModalTransition::Presenting; }
    bool isBeingDismissed() const { return m_modalTransition == ModalTransition::Dismissing; }

protected:
    // The children whose appearance follows this controller's: those whose views are in its view.
    virtual Controllers appearanceChildren() const;
    // Gives a child's (or presented controller's) view its frame and lets it lay out.
    static void placeView(UIViewController&, CGRect frame);
    // Runs the block when a transition started now has finished: after transitionDuration, or on
    // the next turn of the main run loop without animation.
    static void afterTransition(bool animated, std::function<void()> block);

private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    enum class ModalTransition { None, Presenting, Dismissing };
    friend struct ModalTransitions;

    std::shared_ptr<UIViewController> protectedThis();
    bool hasAncestor(const UIViewController*) const;

    std::shared_ptr<UIView> m_view;
    std::string m_title;
    std::shared_ptr<UINavigationItem> m_navigationItem;
    std::weak_ptr<UIViewController> m_parent;
    Controllers m_children;
    std::shared_ptr<UIViewController> m_presented;
    std::weak_ptr<UIViewController> m_presenting;
    Appearance m_appearance { Appearance::Disappeared };
    bool m_lastAppearanceAnimated { false };
    ModalTransition m_modalTransition { ModalTransition::None };
    bool m_isWaitingToBePresented { false };
};

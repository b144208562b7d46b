// Alerts and action sheets: a title, a message and buttons. Presented like any controller; a tap
// on a button (a touch, or the host's tapAction) dismisses the alert and then runs the button's
// handler. The view holds one control per button where the renderer draws it; the dimmed rest of
// the screen swallows touches. No text fields, preferred action or popover anchoring.
#pragma once

#include <uikit/UIViewController.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class UIAlertAction;
class UIControl;
class UIFont;

enum UIAlertControllerStyle : long {
    UIAlertControllerStyleActionSheet = 0,
    UIAlertControllerStyleAlert = 1,
};

class UIAlertController final : public UIViewController {
public:
    using Actions = std::vector<std::shared_ptr<UIAlertAction>>;

    UIAlertController() = default;
    UIAlertController(std::string title, std::string message, long preferredStyle);

    static std::shared_ptr<UIAlertController> alertControllerWithTitle(std::string title, std::string message, long preferredStyle);

    // The title is the controller's own, as on the platform.
    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }
    long preferredStyle() const { return m_preferredStyle; }

    // Refused for null, and for a second action in the cancel style (the platform raises there).
    void addAction(std::shared_ptr<UIAlertAction>);
    const Actions& actions() const { return m_actions; }

    // The user's tap, for the host. Refused (false) unless the alert is presented and not on its
    // way out, or when the index or title names no enabled action. The first action with the title
    // is the one tapped.
    bool tapAction(long index);
    bool tapActionWithTitle(const std::string& title);

    void viewDidDisappear(bool animated) override;
    void viewWillLayoutSubviews() override;

    // Where the panel, its texts and each action's button lie on a screen of those bounds: an alert
    // in the middle (buttons side by side for two, stacked otherwise), a sheet at the bottom.
    struct Layout {
        std::shared_ptr<UIFont> titleFont;
        std::shared_ptr<UIFont> messageFont;
        CGRect panel;
        CGRect title;
        CGRect message;
        std::vector<CGRect> buttons;
    };
    Layout layoutInBounds(CGRect screen) const;
    // The size of a text wrapped at a width. A renderer installs its own, so that buttons take
    // touches where it draws them; until then sizes are estimated from the point size.
    using TextMeasure = std::function<CGSize(const std::string&, CGFloat width, const UIFont&)>;
    static void setTextMeasure(TextMeasure);
    // The control standing for each action's button, in the view; empty until the view loads.
    const std::vector<std::shared_ptr<UIControl>>& actionControls() const { return m_actionControls; }

private:
    bool tap(const std::shared_ptr<UIAlertAction>&);
    void makeActionControls();

    std::string m_message;
    long m_preferredStyle { UIAlertControllerStyleAlert };
    Actions m_actions;
    bool m_wasTapped { false };
    std::vector<std::shared_ptr<UIControl>> m_actionControls;
};

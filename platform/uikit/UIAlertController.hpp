// Alerts and action sheets: a title, a message and buttons. Presented like any controller; a tap
// (simulated by the host) dismisses the alert and then runs the button's handler. No text
// fields, preferred action or popover anchoring; nothing is drawn.
#pragma once

#include <uikit/UIViewController.hpp>

#include <memory>
#include <string>
#include <vector>

class UIAlertAction;

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

private:
    bool tap(const std::shared_ptr<UIAlertAction>&);

    std::string m_message;
    long m_preferredStyle { UIAlertControllerStyleAlert };
    Actions m_actions;
    bool m_wasTapped { false };
};

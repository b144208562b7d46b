// One button of an alert: a title, a style and the handler that runs once the alert has gone.
// Faithful in what it holds; nothing is drawn.
#pragma once

#include <objc/NSObject.hpp>

#include <functional>
#include <memory>
#include <string>

enum UIAlertActionStyle : long {
    UIAlertActionStyleDefault = 0,
    UIAlertActionStyleCancel = 1,
    UIAlertActionStyleDestructive = 2,
};

class UIAlertAction final : public NSObject {
public:
    using Handler = std::function<void(std::shared_ptr<UIAlertAction>)>;

    UIAlertAction(std::string title, long style, Handler handler);

    // The style as given; the handler may be empty.
    static std::shared_ptr<UIAlertAction> actionWithTitle(std::string title, long style, Handler handler);

    const std::string& title() const { return m_title; }
    long style() const { return m_style; }
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled) { m_isEnabled = enabled; }
    const Handler& handler() const { return m_handler; }

private:
    std::string m_title;
    long m_style;
    Handler m_handler;
    bool m_isEnabled { true };
};

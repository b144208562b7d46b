// Buttons: a title per control state, a tint and a title label, over a control. The title label is
// not a subview: a renderer draws it over the button's bounds, fading a system button's while it is
// highlighted (a finger on it). No images, no content insets.
#pragma once

#include <uikit/UIControl.hpp>

#include <map>
#include <memory>
#include <string>

class UIColor;
class UILabel;

enum UIButtonType : long {
    UIButtonTypeCustom = 0,
    UIButtonTypeSystem = 1,
};

class UIButton : public UIControl {
public:
    explicit UIButton(long buttonType = UIButtonTypeCustom);

    // Unknown types make a custom button, as the platform does.
    static std::shared_ptr<UIButton> buttonWithType(long buttonType);

    long buttonType() const { return m_buttonType; }

    // An empty title removes the state's own title.
    void setTitle(const std::string& title, unsigned long state);
    // The state's own title, else the normal one.
    std::string titleForState(unsigned long state) const;
    std::string currentTitle() const { return titleForState(state()); }

    // The system blue by default; setting null restores it.
    const std::shared_ptr<UIColor>& tintColor() const { return m_tintColor; }
    void setTintColor(std::shared_ptr<UIColor>);

    // Shows the current title, over the button's bounds, in the tint colour for a system button.
    std::shared_ptr<UILabel> titleLabel() const;

private:
    long m_buttonType;
    std::map<unsigned long, std::string> m_titles;
    std::shared_ptr<UIColor> m_tintColor;
    std::shared_ptr<UILabel> m_titleLabel;
};

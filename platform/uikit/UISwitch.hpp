// An on/off switch, made at the platform's size. A tap (or a touch lifted within reach) flips it
// and sends value-changed; setOn sends nothing. No animation, sliding of the knob or colours of
// its own.
#pragma once

#include <uikit/UIControl.hpp>

class UIColor;

class UISwitch : public UIControl {
public:
    static constexpr CGSize size { 51, 31 };

    UISwitch();
    // The size is always the platform's; only the origin of the frame is taken.
    explicit UISwitch(CGRect frame);

    static std::shared_ptr<UISwitch> initWithFrame(CGRect);

    bool isOn() const { return m_isOn; }
    void setOn(bool on, bool animated);
    // The track's colour while on; null draws the platform's green.
    const std::shared_ptr<UIColor>& onTintColor() const { return m_onTintColor; }
    void setOnTintColor(std::shared_ptr<UIColor> color) { m_onTintColor = std::move(color); }

    bool tap() override;

protected:
    void sendTouchUpInside() override;

private:
    bool m_isOn { false };
    std::shared_ptr<UIColor> m_onTintColor;
};

// An on/off switch of the platform's fixed size. A tap flips it and sends value-changed;
// setOn sends nothing. No animation, no colours of its own.
#pragma once

#include <uikit/UIControl.hpp>

class UISwitch : public UIControl {
public:
    static constexpr CGSize size { 51, 31 };

    UISwitch();
    // The size is always the platform's; only the origin of the frame is taken.
    explicit UISwitch(CGRect frame);

    static std::shared_ptr<UISwitch> initWithFrame(CGRect);

    bool isOn() const { return m_isOn; }
    void setOn(bool on, bool animated);

    bool tap() override;

private:
    bool m_isOn { false };
};

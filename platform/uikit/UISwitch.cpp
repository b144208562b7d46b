#include <uikit/UISwitch.hpp>

static const Class s_class = objc::registerClass<UISwitch>("UISwitch", "UIControl");

UISwitch::UISwitch()
    : UISwitch(CGRectZero)
{
}

UISwitch::UISwitch(CGRect frame)
    : UIControl({ frame.origin, size })
{
}

std::shared_ptr<UISwitch> UISwitch::initWithFrame(CGRect frame)
{
    return std::make_shared<UISwitch>(frame);
}

void UISwitch::setOn(bool on, bool)
{
    m_isOn = on;
}

bool UISwitch::tap()
{
    if (!isEnabled() || isHidden() || !isUserInteractionEnabled())
        return false;
    m_isOn = !m_isOn;
    sendActionsForControlEvents(UIControlEventValueChanged);
    return true;
}

void UISwitch::sendTouchUpInside()
{
    m_isOn = !m_isOn;
    sendActionsForControlEvents(UIControlEventValueChanged | UIControlEventTouchUpInside);
}

#include <uikit/UIButton.hpp>

#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>

static const Class s_class = objc::registerClass<UIButton>("UIButton", "UIControl");

namespace {

constexpr CGFloat buttonFontSize = 15;

std::shared_ptr<UIColor> systemBlue()
{
    return UIColor::colorWithRed(0, 0.478, 1, 1);
}

}

UIButton::UIButton(long buttonType)
    : m_buttonType(buttonType == UIButtonTypeSystem ? UIButtonTypeSystem : UIButtonTypeCustom)
    , m_tintColor(systemBlue())
    , m_titleLabel(UILabel::initWithFrame(CGRectZero))
{
    m_titleLabel->setTextAlignment(NSTextAlignmentCenter);
    m_titleLabel->setFont(UIFont::systemFontOfSize(buttonFontSize));
    // A custom button draws white text, a system button its tint.
    if (m_buttonType == UIButtonTypeCustom)
        m_titleLabel->setTextColor(UIColor::whiteColor());
}

std::shared_ptr<UIButton> UIButton::buttonWithType(long buttonType)
{
    return std::make_shared<UIButton>(buttonType);
}

void UIButton::setTitle(const std::string& title, unsigned long state)
{
    if (title.empty())
        m_titles.erase(state);
    else
        m_titles[state] = title;
}

std::string UIButton::titleForState(unsigned long state) const
{
    if (auto it = m_titles.find(state); it != m_titles.end())
        return it->second;
    if (auto it = m_titles.find(UIControlStateNormal); it != m_titles.end())
        return it->second;
    return {};
}

void UIButton::setTintColor(std::shared_ptr<UIColor> color)
{
    m_tintColor = color ? std::move(color) : systemBlue();
}

std::shared_ptr<UILabel> UIButton::titleLabel() const
{
    // The label follows the button each time it is asked for, as a layout pass would place it.
    m_titleLabel->setFrame(bounds());
    m_titleLabel->setText(currentTitle());
    if (m_buttonType == UIButtonTypeSystem)
        m_titleLabel->setTextColor(m_tintColor);
    return m_titleLabel;
}

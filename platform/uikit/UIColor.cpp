#include <uikit/UIColor.hpp>

#include <cmath>

static const Class s_class = objc::registerClass<UIColor>("UIColor", "NSObject");

namespace {

// A NaN component would poison every blend a renderer makes with it.
CGFloat component(CGFloat value)
{
    return std::isnan(value) ? 0 : value;
}

}

UIColor::UIColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
    : m_red(component(red))
    , m_green(component(green))
    , m_blue(component(blue))
    , m_alpha(component(alpha))
{
}

std::shared_ptr<UIColor> UIColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<UIColor>(red, green, blue, alpha);
}

std::shared_ptr<UIColor> UIColor::colorWithWhite(CGFloat white, CGFloat alpha)
{
    return std::make_shared<UIColor>(white, white, white, alpha);
}

std::shared_ptr<UIColor> UIColor::clearColor() { return colorWithWhite(0, 0); }
std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithWhite(0, 1); }
std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithWhite(1, 1); }
std::shared_ptr<UIColor> UIColor::darkGrayColor() { return colorWithWhite(0.333, 1); }

bool UIColor::isEqual(const UIColor& other) const
{
    return m_red == other.m_red && m_green == other.m_green && m_blue == other.m_blue && m_alpha == other.m_alpha;
}

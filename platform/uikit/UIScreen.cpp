#include <uikit/UIScreen.hpp>

#include <cmath>

static const Class s_class = objc::registerClass<UIScreen>("UIScreen", "NSObject");

namespace {

bool isAcceptable(CGFloat points, CGFloat scale)
{
    return std::isfinite(points) && points > 0 && points * scale <= UIScreen::maximumPixelSide;
}

}

UIScreen::UIScreen(CGSize size, CGFloat scale)
    : m_size(size)
    , m_scale(scale)
{
}

std::shared_ptr<UIScreen> UIScreen::mainScreen()
{
    // The default device: 390 x 844 points at scale 3.
    static const auto screen = std::make_shared<UIScreen>(CGSizeMake(390, 844), 3);
    return screen;
}

bool UIScreen::setMainScreenSize(CGSize size, CGFloat scale)
{
    if (!std::isfinite(scale) || scale < 1 || !isAcceptable(size.width, scale) || !isAcceptable(size.height, scale))
        return false;
    // Changed in place, so that anyone already holding the screen sees the device's size.
    auto screen = mainScreen();
    screen->m_size = size;
    screen->m_scale = scale;
    return true;
}

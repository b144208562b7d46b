#include <uikit/UIWindow.hpp>

static const Class s_class = objc::registerClass<UIWindow>("UIWindow", "UIView");

std::shared_ptr<UIWindow> UIWindow::initWithFrame(CGRect frame)
{
    return std::make_shared<UIWindow>(frame);
}

#include <uikit/UINavigationItem.hpp>

static const Class s_class = objc::registerClass<UINavigationItem>("UINavigationItem", "NSObject");

std::shared_ptr<UINavigationItem> UINavigationItem::initWithTitle(std::string title)
{
    return std::make_shared<UINavigationItem>(std::move(title));
}

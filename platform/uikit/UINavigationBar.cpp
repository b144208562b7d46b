#include <uikit/UINavigationBar.hpp>

#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>

#include <algorithm>

static const Class s_class = objc::registerClass<UINavigationBar>("UINavigationBar", "UIView");

void UINavigationBar::setTranslucent(bool translucent)
{
    if (translucent == m_isTranslucent)
        return;
    m_isTranslucent = translucent;
    if (auto controller = m_navigationController.lock())
        controller->viewWillLayoutSubviews();
}

void UINavigationBar::setItems(Items items)
{
    std::erase(items, nullptr);
    m_items = std::move(items);
}

std::shared_ptr<UINavigationItem> UINavigationBar::topItem() const
{
    return m_items.empty() ? nullptr : m_items.back();
}

std::shared_ptr<UINavigationItem> UINavigationBar::backItem() const
{
    return m_items.size() < 2 ? nullptr : m_items[m_items.size() - 2];
}

std::string UINavigationBar::displayedTitle() const
{
    auto item = topItem();
    return item ? item->title() : std::string();
}

std::string UINavigationBar::displayedBackTitle() const
{
    auto item = backItem();
    if (!item)
        return {};
    return item->title().empty() ? "Back" : item->title();
}

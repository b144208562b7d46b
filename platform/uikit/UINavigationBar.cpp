#include <uikit/UINavigationBar.hpp>

#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UITouch.hpp>

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

CGRect UINavigationBar::backButtonRect() const
{
    if (!backItem())
        return CGRectZero;
    CGRect bounds = this->bounds();
    return { bounds.origin, { std::min(backButtonWidth, bounds.size.width), bounds.size.height } };
}

bool UINavigationBar::isOnBackButton(UITouch& touch) const
{
    return CGRectContainsPoint(backButtonRect(), touch.locationInView(this));
}

void UINavigationBar::touchesBegan(UITouch& touch, UIEvent* event)
{
    m_isTrackingBackButton = isOnBackButton(touch);
    m_isBackButtonHighlighted = m_isTrackingBackButton;
    if (!m_isTrackingBackButton)
        UIView::touchesBegan(touch, event);
}

void UINavigationBar::touchesMoved(UITouch& touch, UIEvent* event)
{
    if (!m_isTrackingBackButton) {
        UIView::touchesMoved(touch, event);
        return;
    }
    m_isBackButtonHighlighted = isOnBackButton(touch);
}

void UINavigationBar::touchesEnded(UITouch& touch, UIEvent* event)
{
    if (!m_isTrackingBackButton) {
        UIView::touchesEnded(touch, event);
        return;
    }
    m_isTrackingBackButton = false;
    m_isBackButtonHighlighted = false;
    if (isOnBackButton(touch))
        goBack();
}

void UINavigationBar::touchesCancelled(UITouch& touch, UIEvent* event)
{
    if (!m_isTrackingBackButton) {
        UIView::touchesCancelled(touch, event);
        return;
    }
    m_isTrackingBackButton = false;
    m_isBackButtonHighlighted = false;
}

// The bar may show the items of stacks nested with their bars hidden: the innermost stack that
// has a page to go back to pops, as its top item is the one on show.
void UINavigationBar::goBack()
{
    auto navigation = m_navigationController.lock();
    if (!navigation)
        return;
    std::vector<std::shared_ptr<UINavigationController>> chain { navigation };
    while (auto inner = std::dynamic_pointer_cast<UINavigationController>(chain.back()->topViewController())) {
        if (!inner->isNavigationBarHidden() || chain.size() > 64)
            break;
        chain.push_back(inner);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if ((*it)->viewControllers().size() > 1) {
            (*it)->popViewControllerAnimated(true);
            return;
        }
    }
}

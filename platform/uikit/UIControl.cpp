#include <uikit/UIControl.hpp>

#include <uikit/UITouch.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>

static const Class s_class = objc::registerClass<UIControl>("UIControl", "UIView");

void UIControl::addTarget(std::weak_ptr<NSObject> target, SEL action, unsigned long controlEvents)
{
    if (!action || !controlEvents)
        return;
    auto locked = target.lock();
    for (auto& entry : m_entries) {
        if (!entry.handler && entry.action == action && entry.target.lock() == locked) {
            entry.events |= controlEvents;
            return;
        }
    }
    m_entries.push_back({ std::move(target), action, nullptr, controlEvents });
}

void UIControl::removeTarget(const NSObject* target, SEL action, unsigned long controlEvents)
{
    for (auto& entry : m_entries) {
        if (!entry.handler && entry.target.lock().get() == target && (!action || entry.action == action))
            entry.events &= ~controlEvents;
    }
    std::erase_if(m_entries, [](const Entry& entry) { return entry.events == 0; });
}

void UIControl::addAction(std::function<void()> handler, unsigned long controlEvents)
{
    if (!handler || !controlEvents)
        return;
    m_entries.push_back({ {}, nullptr, std::make_shared<std::function<void()>>(std::move(handler)), controlEvents });
}

size_t UIControl::actionCountForControlEvents(unsigned long controlEvents) const
{
    return static_cast<size_t>(std::count_if(m_entries.begin(), m_entries.end(), [controlEvents](const Entry& entry) {
        return (entry.events & controlEvents) && (entry.handler || !entry.target.expired());
    }));
}

void UIControl::sendActionsForControlEvents(unsigned long controlEvents)
{
    // A snapshot, and this control kept alive: an action may remove the control or change its actions.
    auto protectedThis = weak_from_this().lock();
    auto entries = m_entries;
    for (const auto& entry : entries) {
        if (!(entry.events & controlEvents))
            continue;
        // The user's tap is the host's event: an action that throws must not take the host down.
        try {
            run(entry);
        } catch (const std::exception& exception) {
            std::fprintf(stderr, "UIControl: an action threw an exception: %s\n", exception.what());
        } catch (...) {
            std::fprintf(stderr, "UIControl: an action threw an exception of an unknown type\n");
        }
    }
}

void UIControl::setEnabled(bool enabled)
{
    m_isEnabled = enabled;
    if (!enabled) {
        m_isTracking = false;
        m_isHighlighted = false;
    }
}

unsigned long UIControl::state() const
{
    if (!m_isEnabled)
        return UIControlStateDisabled;
    return m_isHighlighted ? UIControlStateHighlighted : UIControlStateNormal;
}

void UIControl::touchesBegan(UITouch& touch, UIEvent* event)
{
    if (!m_isEnabled) {
        UIView::touchesBegan(touch, event);
        return;
    }
    m_isTracking = true;
    m_isHighlighted = true;
    sendActionsForControlEvents(UIControlEventTouchDown);
}

void UIControl::touchesMoved(UITouch& touch, UIEvent* event)
{
    if (!m_isTracking) {
        UIView::touchesMoved(touch, event);
        return;
    }
    m_isHighlighted = isWithinReach(touch);
}

void UIControl::touchesEnded(UITouch& touch, UIEvent* event)
{
    if (!m_isTracking) {
        UIView::touchesEnded(touch, event);
        return;
    }
    m_isTracking = false;
    m_isHighlighted = false;
    if (isWithinReach(touch))
        sendTouchUpInside();
    else
        sendActionsForControlEvents(UIControlEventTouchUpOutside);
}

void UIControl::touchesCancelled(UITouch& touch, UIEvent* event)
{
    if (!m_isTracking) {
        UIView::touchesCancelled(touch, event);
        return;
    }
    m_isTracking = false;
    m_isHighlighted = false;
    sendActionsForControlEvents(UIControlEventTouchCancel);
}

void UIControl::sendTouchUpInside()
{
    sendActionsForControlEvents(UIControlEventTouchUpInside);
}

bool UIControl::isWithinReach(const UITouch& touch) const
{
    CGRect reach = bounds();
    reach.origin.x -= touchSlop;
    reach.origin.y -= touchSlop;
    reach.size.width += 2 * touchSlop;
    reach.size.height += 2 * touchSlop;
    return CGRectContainsPoint(reach, touch.locationInView(this));
}

bool UIControl::tap()
{
    if (!m_isEnabled || isHidden() || !isUserInteractionEnabled())
        return false;
    sendActionsForControlEvents(UIControlEventTouchUpInside);
    return true;
}

void UIControl::run(const Entry& entry) const
{
    if (entry.handler) {
        (*entry.handler)();
        return;
    }
    auto target = entry.target.lock();
    if (!target)
        return;
    if (!target->respondsToSelector(entry.action)) {
        std::fprintf(stderr, "UIControl: %s does not answer %s; action skipped\n", class_getName(target->objcClass()),
            sel_getName(entry.action));
        return;
    }
    objc_msgSend(target.get(), entry.action);
}

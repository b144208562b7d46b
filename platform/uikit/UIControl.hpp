// Controls: target-action pairs sent through the runtime, and handlers. Events come only from the
// stand-in's tap() and from sendActionsForControlEvents; no touch tracking, no responder chain.
#pragma once

#include <uikit/UIView.hpp>

#include <functional>
#include <memory>
#include <vector>

enum UIControlEvents : unsigned long {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventValueChanged = 1 << 12,
    UIControlEventPrimaryActionTriggered = 1 << 13,
    UIControlEventAllEvents = 0xFFFFFFFF,
};

enum UIControlState : unsigned long {
    UIControlStateNormal = 0,
    UIControlStateHighlighted = 1 << 0,
    UIControlStateDisabled = 1 << 1,
    UIControlStateSelected = 1 << 2,
};

class UIControl : public UIView {
public:
    UIControl() = default;
    explicit UIControl(CGRect frame)
        : UIView(frame)
    {
    }

    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled) { m_isEnabled = enabled; }
    // Normal, or disabled when the control is off.
    unsigned long state() const { return m_isEnabled ? UIControlStateNormal : UIControlStateDisabled; }

    // The action is sent as a message without arguments. The target is held weakly; adding the
    // same pair again only widens its events.
    void addTarget(std::weak_ptr<NSObject> target, SEL action, unsigned long controlEvents);
    // A null action removes every action of the target for those events.
    void removeTarget(const NSObject* target, SEL action, unsigned long controlEvents);
    // The block form of an action, for code that needs to know which control fired.
    void addAction(std::function<void()> handler, unsigned long controlEvents);
    // Number of live target-action pairs and handlers that some of the events would fire.
    size_t actionCountForControlEvents(unsigned long controlEvents) const;

    // Runs the actions of the events in the order they were added. A target that is gone is
    // skipped; one that doesn't answer the action is skipped with a line on stderr.
    void sendActionsForControlEvents(unsigned long controlEvents);

    // Stand-in for the user's tap: touch-up-inside, unless the control is off, hidden or
    // untouchable. False when the tap was refused.
    virtual bool tap();

private:
    struct Entry {
        std::weak_ptr<NSObject> target;
        SEL action { nullptr };
        std::shared_ptr<std::function<void()>> handler;
        unsigned long events { 0 };
    };

    void run(const Entry&) const;

    std::vector<Entry> m_entries;
    bool m_isEnabled { true };
};

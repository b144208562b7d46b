// Controls: target-action pairs sent through the runtime, and handlers, fired by tracking a touch
// as the platform does (highlighted while the finger is within 70 points of the bounds, touch-up-
// inside on a lift there), by the stand-in's tap() and by sendActionsForControlEvents.
// No drag-enter/exit events, no context menus.
#pragma once

#include <uikit/UIView.hpp>

#include <functional>
#include <memory>
#include <vector>

enum UIControlEvents : unsigned long {
    UIControlEventTouchDown = 1 << 0,
    UIControlEventTouchUpInside = 1 << 6,
    UIControlEventTouchUpOutside = 1 << 7,
    UIControlEventTouchCancel = 1 << 8,
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

    // How far outside its bounds a finger may stray and still count as inside.
    static constexpr CGFloat touchSlop = 70;

    bool isEnabled() const { return m_isEnabled; }
    // Turning a control off ends the touch it tracks, without actions.
    void setEnabled(bool);
    bool isHighlighted() const { return m_isHighlighted; }
    void setHighlighted(bool highlighted) { m_isHighlighted = highlighted; }
    bool isTracking() const { return m_isTracking; }
    // Disabled when the control is off, else normal or highlighted.
    unsigned long state() const;

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

    // A control that is off passes touches up the chain.
    void touchesBegan(UITouch&, UIEvent*) override;
    void touchesMoved(UITouch&, UIEvent*) override;
    void touchesEnded(UITouch&, UIEvent*) override;
    void touchesCancelled(UITouch&, UIEvent*) override;

protected:
    // What a lift within reach of the bounds does: touch-up-inside here.
    virtual void sendTouchUpInside();

private:
    bool isWithinReach(const UITouch&) const;

    struct Entry {
        std::weak_ptr<NSObject> target;
        SEL action { nullptr };
        std::shared_ptr<std::function<void()>> handler;
        unsigned long events { 0 };
    };

    void run(const Entry&) const;

    std::vector<Entry> m_entries;
    bool m_isEnabled { true };
    bool m_isHighlighted { false };
    bool m_isTracking { false };
};

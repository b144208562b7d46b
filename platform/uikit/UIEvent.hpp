// The event a touch is delivered in. It carries the one touch and notes whether the touch fell off
// the end of the responder chain. No motion or remote-control events.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>

class UITouch;

enum UIEventType : long {
    UIEventTypeTouches = 0,
};

class UIEvent final : public NSObject {
public:
    explicit UIEvent(std::shared_ptr<UITouch> touch)
        : m_touch(std::move(touch))
    {
    }

    long type() const { return UIEventTypeTouches; }
    const std::shared_ptr<UITouch>& touch() const { return m_touch; }

    // Set when no responder kept the touch.
    bool wasDropped() const { return m_wasDropped; }
    void setDropped() { m_wasDropped = true; }

private:
    std::shared_ptr<UITouch> m_touch;
    bool m_wasDropped { false };
};

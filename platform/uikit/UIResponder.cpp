#include <uikit/UIResponder.hpp>

#include <uikit/UIEvent.hpp>

static const Class s_class = objc::registerClass<UIResponder>("UIResponder", "NSObject");

namespace {

template<typename Deliver>
void passOn(const UIResponder& responder, UIEvent* event, Deliver deliver)
{
    if (UIResponder* next = responder.nextResponder())
        deliver(*next);
    else if (event)
        event->setDropped();
}

}

void UIResponder::touchesBegan(UITouch& touch, UIEvent* event)
{
    passOn(*this, event, [&](UIResponder& next) { next.touchesBegan(touch, event); });
}

void UIResponder::touchesMoved(UITouch& touch, UIEvent* event)
{
    passOn(*this, event, [&](UIResponder& next) { next.touchesMoved(touch, event); });
}

void UIResponder::touchesEnded(UITouch& touch, UIEvent* event)
{
    passOn(*this, event, [&](UIResponder& next) { next.touchesEnded(touch, event); });
}

void UIResponder::touchesCancelled(UITouch& touch, UIEvent* event)
{
    passOn(*this, event, [&](UIResponder& next) { next.touchesCancelled(touch, event); });
}

// The common base of views and view controllers, and the responder chain that touches travel up.
// One touch at a time; no first responder, key commands, motion or remote-control events.
#pragma once

#include <objc/NSObject.hpp>

class UIEvent;
class UITouch;

class UIResponder : public NSObject {
public:
    // A view's controller (where the view is a controller's view) or superview; a controller's
    // view's superview. Null ends the chain.
    virtual UIResponder* nextResponder() const { return nullptr; }

    // Each passes the touch on to the next responder; at the end of the chain it is dropped.
    virtual void touchesBegan(UITouch&, UIEvent*);
    virtual void touchesMoved(UITouch&, UIEvent*);
    virtual void touchesEnded(UITouch&, UIEvent*);
    virtual void touchesCancelled(UITouch&, UIEvent*);
};

// The common base of views and view controllers. Class only: no responder chain, no events.
#pragma once

#include <objc/NSObject.hpp>

class UIResponder : public NSObject {
};

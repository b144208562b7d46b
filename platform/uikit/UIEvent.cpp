#include <uikit/UIEvent.hpp>

#include <uikit/UITouch.hpp>

static const Class s_class = objc::registerClass<UIEvent>("UIEvent", "NSObject");

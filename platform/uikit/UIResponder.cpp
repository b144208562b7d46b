#include <uikit/UIResponder.hpp>

static const Class s_class = objc::registerClass<UIResponder>("UIResponder", "NSObject");

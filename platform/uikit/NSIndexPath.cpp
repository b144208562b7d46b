#include <uikit/NSIndexPath.hpp>

static const Class s_class = objc::registerClass<NSIndexPath>("NSIndexPath", "NSObject");

std::shared_ptr<NSIndexPath> NSIndexPath::indexPathForRowInSection(long row, long section)
{
    return std::make_shared<NSIndexPath>(row, section);
}

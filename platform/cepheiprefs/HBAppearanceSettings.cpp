#include <cepheiprefs/HBAppearanceSettings.hpp>

static const Class s_class = objc::registerClass<HBAppearanceSettings>("HBAppearanceSettings", "NSObject");

std::shared_ptr<HBAppearanceSettings> HBAppearanceSettings::init()
{
    return std::make_shared<HBAppearanceSettings>();
}

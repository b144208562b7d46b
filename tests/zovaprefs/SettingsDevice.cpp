#include "SettingsDevice.hpp"

#include <DeviceLayout.hpp>
#include <audiotoolbox/AudioServices.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UITableView.hpp>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The store keeps one object per identifier for the life of the process, so the device is one too.
void prepareDeviceOnce()
{
    static bool prepared = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "zova-settings-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        DeviceRoot::set(pattern);
        // The device lives as long as the process, and goes with it instead of piling up.
        static const auto* root = new std::filesystem::path(pattern);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*root, ignored);
        });
        std::string error;
        if (!sim::installDevice(error)) {
            ADD_FAILURE() << error;
            std::abort();
        }
        return true;
    }();
    (void)prepared;
}

}

SettingsDevice::SettingsDevice()
{
    prepareDeviceOnce();
    store()->removeAllObjects();
    std::filesystem::remove(hostPath(zova::customPicturePath));
    m_app = std::make_unique<sim::SettingsHost>();
    settle(0.05);
    AudioServicesResetPlayedSystemSounds();
}

std::shared_ptr<HBPreferences> SettingsDevice::store() const
{
    return HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
}

void SettingsDevice::step(const std::string& name, const std::string& argument)
{
    std::string error;
    bool done = name == "open" ? m_app->open(argument, error)
        : name == "tap"        ? m_app->tap(argument, error)
        : name == "row"        ? m_app->tapRow(std::stol(argument), error)
        : name == "back"       ? m_app->back(error)
        : name == "pick"       ? m_app->pick(argument, error)
        : name == "cancel"     ? m_app->cancel(error)
                               : (error = "unknown step", false);
    ASSERT_TRUE(done) << name << " " << argument << ": " << error;
    settle();
}

void SettingsDevice::settle(double seconds)
{
    NSRunLoop::mainRunLoop()->runForTimeInterval(seconds);
}

std::shared_ptr<PSListController> SettingsDevice::page() const
{
    return std::dynamic_pointer_cast<PSListController>(m_app->visiblePage());
}

std::shared_ptr<UITableViewCell> SettingsDevice::cell(long row) const
{
    return page()->table()->cellForRowAtIndexPath(*NSIndexPath::indexPathForRowInSection(row, 0));
}

std::vector<std::shared_ptr<UIButton>> SettingsDevice::placedButtons() const
{
    std::vector<std::shared_ptr<UIButton>> buttons;
    for (const auto& view : page()->table()->subviews()) {
        auto button = std::dynamic_pointer_cast<UIButton>(view);
        if (button && button->tag() == 999)
            buttons.push_back(button);
    }
    return buttons;
}

std::filesystem::path SettingsDevice::hostPath(const std::string& devicePath) const
{
    return *DeviceRoot::resolve(devicePath);
}

void SettingsDevice::addToPhotoLibrary(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    ASSERT_TRUE(NSData(bytes).writeToFile("/var/mobile/Media/DCIM/" + name, NSDataWritingAtomic, nullptr));
}

std::vector<uint8_t> SettingsDevice::customPicture() const
{
    auto data = NSData::dataWithContentsOfFile(zova::customPicturePath);
    return data ? std::vector<uint8_t>(data->bytes(), data->bytes() + data->length()) : std::vector<uint8_t> {};
}

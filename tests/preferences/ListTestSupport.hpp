// A device for the list pages' tests: a settings bundle whose executable defines a page, a store
// identifier per test, pages with rows set in code, and a window to show them in.
#pragma once

#include "substrate/TemporaryDevice.hpp"

#include <foundation/NSRunLoop.hpp>
#include <foundation/PropertyList.hpp>
#include <preferences/PSListController.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace listtest {

inline const std::string bundlePath = "/Library/PreferenceBundles/ListTest.bundle";

// One device for the process: store objects and loaded bundles live as long as the process.
class DeviceEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        s_device = new TemporaryDevice;
        s_device->write(bundlePath + "/Info.plist", NSPropertyListSerialization::dataWithPropertyList(
            PlistDictionary { { "CFBundleIdentifier", "com.zova.listtest" }, { "CFBundleExecutable", "ListTest" } },
            NSPropertyListSerialization::Format::XML));
        s_device->copy(ZOVA_TEST_LIST_BUNDLE, bundlePath + "/ListTest");
    }
    void TearDown() override { delete s_device; }

    static TemporaryDevice& device() { return *s_device; }

private:
    static inline TemporaryDevice* s_device = nullptr;
};

// Unique per test: the process keeps one store object per identifier for its whole life.
inline std::string uniqueIdentifier()
{
    static int counter = 0;
    return std::string("com.zova.listtests.") + testing::UnitTest::GetInstance()->current_test_info()->name() + "." + std::to_string(++counter);
}

// A page whose rows a test gives, and which answers the actions of button rows.
class TestPage : public PSListController {
public:
    void setRows(PSSpecifierArray rows) { _specifiers = std::make_shared<PSSpecifierArray>(std::move(rows)); }
    const std::shared_ptr<PSSpecifierArray>& cachedRows() const { return _specifiers; }
    void about() { ++aboutCalls; }
    void fail() { throw std::runtime_error("page failed"); }

    int aboutCalls = 0;
};

inline std::shared_ptr<PSSpecifier> row(const PlistDictionary& entry)
{
    auto specifier = PSSpecifier::specifierWithDictionary(entry);
    EXPECT_NE(specifier, nullptr);
    return specifier;
}

// A navigation stack on screen, as the Settings app shows a page.
struct Screen {
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<UIWindow> window;

    explicit Screen(std::shared_ptr<UIViewController> root)
        : navigation(UINavigationController::initWithRootViewController(std::move(root)))
        , window(UIWindow::initWithFrame(CGRectMake(0, 0, 390, 844)))
    {
        window->setRootViewController(navigation);
    }
};

inline bool runUntil(const std::function<bool()>& condition)
{
    return NSRunLoop::mainRunLoop()->runUntil(condition, 5);
}

}

#include "preferences/ListTestSupport.hpp"

#include <cephei/HBPreferences.hpp>
#include <foundation/NSBundle.hpp>
#include <preferences/DarwinNotifications.hpp>
#include <preferences/PSListItemsController.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableViewCell.hpp>

using namespace listtest;

namespace {

const Class s_testPageClass = objc::registerClass<TestPage>("ZTListTestPage", "PSListController",
    { { "about", objc::method<&TestPage::about>() }, { "fail", objc::method<&TestPage::fail>() } });

const testing::Environment* const s_environment = testing::AddGlobalTestEnvironment(new DeviceEnvironment);

std::vector<uint8_t> listFile(const PlistValue& value, NSPropertyListSerialization::Format format = NSPropertyListSerialization::Format::XML)
{
    return NSPropertyListSerialization::dataWithPropertyList(value, format);
}

std::shared_ptr<PSListController> makeBundlePage()
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    EXPECT_TRUE(bundle && bundle->load());
    Class cls = objc_getClass("ZTBundleListPage");
    EXPECT_NE(cls, nullptr);
    return std::dynamic_pointer_cast<PSListController>(class_createInstance(cls));
}

std::shared_ptr<UISwitch> switchOf(const std::shared_ptr<UITableViewCell>& cell)
{
    return cell ? std::dynamic_pointer_cast<UISwitch>(cell->accessoryView()) : nullptr;
}

}

// Catches rows read from the wrong bundle or form, a page that rereads its list on every request,
// and unknown entries that break the rest of the list.
TEST(PSListControllerLoading, RowsComeFromTheBundleOfThePageClassOnce)
{
    auto& device = DeviceEnvironment::device();
    device.write(bundlePath + "/Root.plist", listFile(PlistDictionary { { "title", "Zova" }, { "items", PlistArray {
        PlistDictionary { { "cell", "PSGroupCell" }, { "label", "Overlay" } },
        PlistDictionary { { "cell", "PSSwitchCell" }, { "label", "Enabled" } },
        PlistDictionary { { "cell", "PSWeirdCell" }, { "label", "Skipped" } },
        "not a dictionary",
        PlistDictionary { { "cell", "PSButtonCell" }, { "label", "About" }, { "action", "help" } },
    } } }));
    auto page = makeBundlePage();
    ASSERT_NE(page, nullptr);
    auto rows = page->specifiers();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[2]->name(), "About");
    EXPECT_EQ((*rows)[2]->target(), page);
    EXPECT_EQ(page->title(), "Zova");

    device.write(bundlePath + "/Root.plist", listFile(PlistArray { PlistDictionary { { "cell", "PSLinkCell" }, { "label", "Binary" } } },
        NSPropertyListSerialization::Format::Binary));
    EXPECT_EQ(page->specifiers(), rows);
    page->view();
    EXPECT_EQ(page->specifiers(), rows);
    page->reloadSpecifiers();
    ASSERT_NE(page->specifiers(), nullptr);
    EXPECT_EQ(page->specifiers()->at(0)->name(), "Binary");
    EXPECT_EQ(page->table()->visibleCells().at(0)->textLabel()->text(), "Binary");
}

// Catches a crash or a half-made list from missing, damaged or foreign files, and a page class of
// the host looking in a bundle it doesn't belong to.
TEST(PSListControllerLoading, UnreadableListsGiveNull)
{
    auto& device = DeviceEnvironment::device();
    auto page = makeBundlePage();
    testing::internal::CaptureStderr();
    EXPECT_EQ(page->loadSpecifiersFromPlistName("Absent", page), nullptr);
    device.write(bundlePath + "/Garbage.plist", std::string("<plist><dict><key>items"));
    EXPECT_EQ(page->loadSpecifiersFromPlistName("Garbage", page), nullptr);
    device.write(bundlePath + "/Number.plist", listFile(PlistDictionary { { "items", 3 } }));
    EXPECT_EQ(page->loadSpecifiersFromPlistName("Number", page), nullptr);
    EXPECT_EQ(page->loadSpecifiersFromPlistName("../ListTest.bundle/Garbage", page), nullptr);
    auto hostPage = std::make_shared<TestPage>();
    EXPECT_EQ(hostPage->loadSpecifiersFromPlistName("Root", hostPage), nullptr);
    testing::internal::GetCapturedStderr();

    device.write(bundlePath + "/Empty.plist", listFile(PlistDictionary { { "items", PlistArray {} } }));
    auto empty = page->loadSpecifiersFromPlistName("Empty", page);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->empty());
}

// Catches groups not becoming sections, headers and footers lost, and rows that don't show the
// stored value (or the default while nothing is stored).
TEST(PSListControllerRows, GroupsBecomeSectionsAndRowsShowTheirValues)
{
    std::string store = uniqueIdentifier();
    HBPreferences::initWithIdentifier(store)->setInteger(2, "siripic");
    auto page = std::make_shared<TestPage>();
    page->setRows({
        row({ { "cell", "PSSwitchCell" }, { "label", "Loose" }, { "default", true } }),
        row({ { "cell", "PSGroupCell" }, { "label", "Overlay" }, { "footerText", "Shown behind the flames" } }),
        row({ { "cell", "PSSwitchCell" }, { "label", "Enabled" }, { "defaults", store }, { "key", "acceso" }, { "default", true } }),
        row({ { "cell", "PSSwitchCell" }, { "label", "Off" }, { "defaults", store }, { "key", "trasparente" }, { "default", false } }),
        row({ { "cell", "PSLinkListCell" }, { "label", "Picture" }, { "defaults", store }, { "key", "siripic" }, { "default", 0 },
            { "validValues", PlistArray { 0, 1, 2 } }, { "validTitles", PlistArray { "Waves", "Stars", "Rings" } } }),
        row({ { "cell", "PSGroupCell" } }),
    });
    auto table = page->table();
    ASSERT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 1);
    EXPECT_EQ(table->numberOfRowsInSection(1), 3);
    EXPECT_EQ(table->numberOfRowsInSection(2), 0);
    EXPECT_EQ(table->headerLabelForSection(1)->text(), "Overlay");
    EXPECT_EQ(table->footerLabelForSection(1)->text(), "Shown behind the flames");

    EXPECT_TRUE(switchOf(table->cellForRowAtIndexPath(NSIndexPath(0, 0)))->isOn());
    EXPECT_TRUE(switchOf(table->cellForRowAtIndexPath(NSIndexPath(0, 1)))->isOn());
    EXPECT_FALSE(switchOf(table->cellForRowAtIndexPath(NSIndexPath(1, 1)))->isOn());
    auto picture = table->cellForRowAtIndexPath(NSIndexPath(2, 1));
    EXPECT_EQ(picture->detailTextLabel()->text(), "Rings");
    EXPECT_EQ(picture->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
}

// Catches a toggle that doesn't reach the store (or its bound variables), writes the wrong type,
// or forgets the row's notification.
TEST(PSListControllerRows, SwitchRowsWriteThroughTheStore)
{
    std::string store = uniqueIdentifier();
    auto preferences = HBPreferences::initWithIdentifier(store);
    bool acceso = false;
    preferences->registerBool(&acceso, true, "acceso");
    int blockRuns = 0;
    preferences->registerPreferenceChangeBlock([&] { ++blockRuns; });
    DarwinNotifications::clear();

    auto page = std::make_shared<TestPage>();
    page->setRows({ row({ { "cell", "PSSwitchCell" }, { "label", "Enabled" }, { "defaults", store }, { "key", "acceso" },
        { "default", true }, { "PostNotification", "com.zova.listtests/changed" } }) });
    page->view();
    EXPECT_TRUE(acceso);
    EXPECT_TRUE(page->toggleSwitchWithText("Enabled"));
    EXPECT_FALSE(acceso);
    EXPECT_EQ(preferences->objectForKey("acceso"), PlistValue(false));
    EXPECT_EQ(DarwinNotifications::posted(), (std::vector<std::string> { "com.zova.listtests/changed" }));
    EXPECT_TRUE(runUntil([&] { return blockRuns == 2; }));

    EXPECT_TRUE(page->tapRowWithText("Enabled"));
    EXPECT_EQ(preferences->objectForKey("acceso"), PlistValue(true));
    EXPECT_FALSE(page->toggleSwitchWithText("Missing"));
    EXPECT_FALSE(page->tapRowWithText("Missing"));
}

// Catches button rows that call the action directly (a replaced method must run) or take the
// host down when the target can't answer, is gone, or throws.
TEST(PSListControllerRows, ButtonRowsSendTheirActionBySelector)
{
    auto page = std::make_shared<TestPage>();
    auto about = row({ { "cell", "PSButtonCell" }, { "label", "About" }, { "action", "about" } });
    auto broken = row({ { "cell", "PSButtonCell" }, { "label", "Broken" }, { "action", "noSuchAction" } });
    auto orphan = row({ { "cell", "PSButtonCell" }, { "label", "Orphan" }, { "action", "about" } });
    auto throwing = row({ { "cell", "PSButtonCell" }, { "label", "Throwing" }, { "action", "fail" } });
    about->setTarget(page);
    broken->setTarget(page);
    throwing->setTarget(page);
    page->setRows({ about, broken, orphan, throwing });
    page->view();

    EXPECT_TRUE(page->tapRowWithText("About"));
    EXPECT_EQ(page->aboutCalls, 1);
    static int replacedCalls = 0;
    IMP original = class_replaceMethod(s_testPageClass, sel_registerName("about"), [](id, SEL) { ++replacedCalls; });
    EXPECT_TRUE(page->tapRowAtIndexPath(0, 0));
    class_replaceMethod(s_testPageClass, sel_registerName("about"), original);
    EXPECT_EQ(replacedCalls, 1);
    EXPECT_EQ(page->aboutCalls, 1);

    testing::internal::CaptureStderr();
    EXPECT_TRUE(page->tapRowWithText("Broken"));
    EXPECT_TRUE(page->tapRowWithText("Orphan"));
    EXPECT_TRUE(page->tapRowAtIndex(3));
    EXPECT_FALSE(page->tapRowAtIndex(4));
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Broken"), std::string::npos);
    EXPECT_NE(errors.find("Orphan"), std::string::npos);
    EXPECT_NE(errors.find("page failed"), std::string::npos);
    EXPECT_EQ(page->aboutCalls, 1);
}

// Catches link rows that push the wrong class, no class, or a page that doesn't know the row that
// opened it (the choice list needs its values and store).
TEST(PSListControllerRows, LinkRowsPushTheirDetailPage)
{
    auto page = std::make_shared<TestPage>();
    auto choice = row({ { "cell", "PSLinkListCell" }, { "label", "Picture" }, { "detail", "ZTListTestPage" } });
    auto plain = row({ { "cell", "PSLinkListCell" }, { "label", "Plain" } });
    auto link = row({ { "cell", "PSLinkCell" }, { "label", "More" }, { "detail", "ZTListTestPage" } });
    auto nowhere = row({ { "cell", "PSLinkCell" }, { "label", "Nowhere" }, { "detail", "NoSuchPage" } });
    page->setRows({ choice, plain, link, nowhere });
    Screen screen(page);

    EXPECT_TRUE(page->tapRowWithText("Picture"));
    auto pushed = std::dynamic_pointer_cast<TestPage>(screen.navigation->topViewController());
    ASSERT_NE(pushed, nullptr);
    EXPECT_EQ(pushed->specifier(), choice);
    EXPECT_EQ(pushed->parentController(), page);
    EXPECT_EQ(pushed->title(), "Picture");
    screen.navigation->popViewControllerAnimated(false);

    EXPECT_TRUE(page->tapRowWithText("Plain"));
    EXPECT_NE(std::dynamic_pointer_cast<PSListItemsController>(screen.navigation->topViewController()), nullptr);
    screen.navigation->popViewControllerAnimated(false);
    EXPECT_TRUE(page->tapRowWithText("More"));
    EXPECT_NE(std::dynamic_pointer_cast<TestPage>(screen.navigation->topViewController()), nullptr);
    screen.navigation->popViewControllerAnimated(false);
    EXPECT_TRUE(page->tapRowWithText("Nowhere"));
    EXPECT_EQ(screen.navigation->topViewController(), page);
}

#include "preferences/ListTestSupport.hpp"

#include <cephei/HBPreferences.hpp>
#include <preferences/PSListItemsController.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UITableViewCell.hpp>

#include <fstream>
#include <iterator>

using namespace listtest;

namespace {

// A choice page that watches its rows being displayed and, like the picture page, reads the
// checkmark of a displayed cell when the store reports a change. It never calls the inherited
// display method.
class WatchingItems : public PSListItemsController {
public:
    void tableViewWillDisplayCellForRowAtIndexPath(UITableView*, std::shared_ptr<UITableViewCell> cell, std::shared_ptr<NSIndexPath> indexPath) override
    {
        displayed.push_back({ indexPath->row(), cell });
    }
    void setPreferenceValue(const PlistValue& value, const PSSpecifier& specifier) override
    {
        for (const auto& [row, cell] : displayed)
            checkmarksAtWrite.push_back(cell->accessoryType());
        PSListItemsController::setPreferenceValue(value, specifier);
    }

    std::vector<std::pair<long, std::shared_ptr<UITableViewCell>>> displayed;
    std::vector<long> checkmarksAtWrite;
};
const Class s_watchingClass = objc::registerClass<WatchingItems>("ZTWatchingItems", "PSListItemsController");

std::shared_ptr<PSSpecifier> pictureRow(const std::string& store)
{
    auto specifier = PSSpecifier::specifierWithDictionary({ { "cell", "PSLinkListCell" }, { "label", "Picture" },
        { "detail", "ZTWatchingItems" }, { "defaults", store }, { "key", "siripic" }, { "default", 1 },
        { "validValues", PlistArray { 0, 1, 2, 3, 4, 5 } },
        { "validTitles", PlistArray { "A", "B", "C", "H", "E", "Custom" } } });
    EXPECT_NE(specifier, nullptr);
    return specifier;
}

std::shared_ptr<WatchingItems> itemsFor(std::shared_ptr<PSSpecifier> opening)
{
    auto items = std::make_shared<WatchingItems>();
    items->setSpecifier(std::move(opening));
    items->view();
    return items;
}

std::vector<long> checkmarks(PSListController& page)
{
    std::vector<long> types;
    for (const auto& cell : page.table()->visibleCells())
        types.push_back(cell->accessoryType());
    return types;
}

PlistDictionary storedFile(const std::string& store)
{
    auto path = DeviceEnvironment::device().hostPath("/var/mobile/Library/Preferences/" + store + ".plist");
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto values = NSPropertyListSerialization::propertyListWithData(bytes);
    return values && values->get<PlistDictionary>() ? *values->get<PlistDictionary>() : PlistDictionary {};
}

constexpr long check = UITableViewCellAccessoryCheckmark;

}

// Catches a choice list with rows out of value order, wrong titles, or a checkmark that ignores
// the stored value (or the default while nothing is stored).
TEST(PSListItemsControllerChoices, OneRowPerValueAndTheStoredOneChecked)
{
    std::string store = uniqueIdentifier();
    auto items = itemsFor(pictureRow(store));
    auto table = items->table();
    ASSERT_EQ(table->numberOfSections(), 1);
    ASSERT_EQ(table->numberOfRowsInSection(0), 6);
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath(5, 0))->textLabel()->text(), "Custom");
    EXPECT_EQ(checkmarks(*items), (std::vector<long> { 0, check, 0, 0, 0, 0 }));

    HBPreferences::initWithIdentifier(store)->setObject(PlistValue(4.0), "siripic");
    EXPECT_EQ(checkmarks(*itemsFor(pictureRow(store))), (std::vector<long> { 0, 0, 0, 0, check, 0 }));
    HBPreferences::initWithIdentifier(store)->setInteger(17, "siripic");
    EXPECT_EQ(checkmarks(*itemsFor(pictureRow(store))), (std::vector<long> { 0, 0, 0, 0, 0, 0 }));
    auto orphan = std::make_shared<WatchingItems>();
    EXPECT_EQ(orphan->table()->numberOfRowsInSection(0), 0);
}

// Catches display calls that skip rows or go to the inherited method only, and cells handed to
// the page that aren't the ones the list later marks.
TEST(PSListItemsControllerChoices, EveryRowIsDisplayedThroughTheOverride)
{
    auto items = itemsFor(pictureRow(uniqueIdentifier()));
    ASSERT_EQ(items->displayed.size(), 6u);
    for (long row = 0; row < 6; ++row) {
        EXPECT_EQ(items->displayed[row].first, row);
        EXPECT_EQ(items->displayed[row].second, items->table()->cellForRowAtIndexPath(NSIndexPath(row, 0)));
    }
}

// Catches a tap that writes before the checkmark moves (the change block would see the old one),
// writes the title instead of the value, or leaves the write in this process only.
TEST(PSListItemsControllerChoices, TapMovesTheCheckmarkThenWritesTheValue)
{
    std::string store = uniqueIdentifier();
    auto preferences = HBPreferences::initWithIdentifier(store);
    int64_t siripic = -1;
    preferences->registerInteger(&siripic, 0, "siripic");
    auto items = itemsFor(pictureRow(store));
    auto customCell = items->displayed.at(5).second;
    std::vector<std::pair<int64_t, long>> seen;
    preferences->registerPreferenceChangeBlock([&] { seen.push_back({ siripic, customCell->accessoryType() }); });
    seen.clear();

    EXPECT_TRUE(items->tapRowWithText("Custom"));
    EXPECT_EQ(items->checkmarksAtWrite, (std::vector<long> { 0, 0, 0, 0, 0, check }));
    EXPECT_EQ(checkmarks(*items), (std::vector<long> { 0, 0, 0, 0, 0, check }));
    EXPECT_EQ(siripic, 5);
    EXPECT_EQ(storedFile(store)["siripic"], PlistValue(5));
    ASSERT_TRUE(runUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen[0], (std::pair<int64_t, long> { 5, check }));

    seen.clear();
    EXPECT_TRUE(items->tapRowAtIndexPath(0, 0));
    ASSERT_TRUE(runUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen[0], (std::pair<int64_t, long> { 0, 0 }));
    EXPECT_EQ(checkmarks(*items), (std::vector<long> { check, 0, 0, 0, 0, 0 }));
    EXPECT_FALSE(items->tapRowAtIndexPath(0, 6));
}

// Catches the page that opened the list showing a stale choice when the user comes back to it.
TEST(PSListItemsControllerChoices, OpeningPageShowsTheNewChoiceOnReturn)
{
    std::string store = uniqueIdentifier();
    auto root = std::make_shared<TestPage>();
    root->setRows({ pictureRow(store) });
    Screen screen(root);
    EXPECT_EQ(root->table()->visibleCells().at(0)->detailTextLabel()->text(), "B");

    ASSERT_TRUE(root->tapRowWithText("Picture"));
    auto items = std::dynamic_pointer_cast<WatchingItems>(screen.navigation->topViewController());
    ASSERT_NE(items, nullptr);
    ASSERT_TRUE(runUntil([&] { return !items->displayed.empty(); }));
    EXPECT_TRUE(items->tapRowWithText("H"));
    screen.navigation->popViewControllerAnimated(false);
    EXPECT_TRUE(runUntil([&] { return root->table()->visibleCells().at(0)->detailTextLabel()->text() == "H"; }));
}

// The picture list page: the "Choose your picture" button under the custom row and the page's title.
#include "SettingsDevice.hpp"

#include <audiotoolbox/AudioServices.hpp>
#include <uikit/CALayer.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void openPictureList(SettingsDevice& device)
{
    device.step("open", "Zova");
    device.step("tap", "Picture");
}

size_t tapSoundsAfterChoosing(SettingsDevice& device, long row)
{
    AudioServicesResetPlayedSystemSounds();
    device.step("row", std::to_string(row));
    device.settle();
    auto sounds = AudioServicesPlayedSystemSounds();
    return static_cast<size_t>(std::count(sounds.begin(), sounds.end(), 1519u));
}

std::shared_ptr<UIButton> strayButton()
{
    auto button = UIButton::buttonWithType(1);
    button->setTag(999);
    return button;
}

}

// No button may show while a shipped picture is chosen.
TEST(PictureList, NoButtonWhileAShippedPictureIsChosen)
{
    SettingsDevice device;
    device.store()->setInteger(3, "siripic");
    openPictureList(device);
    EXPECT_TRUE(device.placedButtons().empty());
    EXPECT_EQ(device.cell(3)->accessoryType(), 3);
    EXPECT_EQ(device.page()->navigationItem()->title(), "Zova Pictures");
}

// Choosing the custom row places the button centred under it, above the rows, with its look.
TEST(PictureList, ChoosingTheCustomPicturePlacesTheButtonUnderItsRow)
{
    SettingsDevice device;
    openPictureList(device);
    AudioServicesResetPlayedSystemSounds();
    device.step("row", "5");
    EXPECT_EQ(device.store()->integerForKey("siripic", 0), 5);

    auto buttons = device.placedButtons();
    ASSERT_EQ(buttons.size(), 1u);
    auto button = buttons[0];
    auto row = device.cell(5);
    CGRect frame = button->frame();
    EXPECT_EQ(frame.size, CGSizeMake(300, 40));
    EXPECT_DOUBLE_EQ(CGRectGetMidX(frame), CGRectGetMidX(row->frame()));
    EXPECT_DOUBLE_EQ(CGRectGetMinY(frame), CGRectGetMaxY(row->frame()) + 5);
    EXPECT_DOUBLE_EQ(button->layer()->zPosition(), 16000.0);
    EXPECT_DOUBLE_EQ(button->alpha(), 1.0);
    EXPECT_EQ(button->titleForState(0), "Choose your picture");
    EXPECT_DOUBLE_EQ(button->layer()->cornerRadius(), 10.0);
    EXPECT_DOUBLE_EQ(button->tintColor()->red(), 0.55);
    EXPECT_TRUE(button->backgroundColor()->isEqual(*row->backgroundColor()));

    // One sound per block run, each run last in its block.
    auto sounds = AudioServicesPlayedSystemSounds();
    ASSERT_FALSE(sounds.empty());
    for (auto sound : sounds)
        EXPECT_EQ(sound, 1519u);
}

// Every button placed by any block is removed when another picture is chosen.
TEST(PictureList, ChoosingAnotherPictureClearsEveryButton)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    // Going back and forth displays the rows again: each display registers one more block.
    device.step("back");
    device.step("tap", "Picture");
    device.step("row", "5");
    EXPECT_GE(device.placedButtons().size(), 1u);
    device.step("row", "1");
    EXPECT_TRUE(device.placedButtons().empty());
    EXPECT_EQ(device.page()->table()->viewWithTag(999), nullptr);
}

// A page opened with the custom picture already chosen gets its button back from the store's blocks.
TEST(PictureList, ButtonReturnsWithThePageWhenTheCustomPictureIsChosen)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    EXPECT_FALSE(device.placedButtons().empty());
    device.step("back");
    device.step("tap", "Picture");
    EXPECT_FALSE(device.placedButtons().empty());
}

// The button's action opens the photo library; cancelling writes and plays nothing more.
TEST(PictureList, CancellingThePickerChangesNothing)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    AudioServicesResetPlayedSystemSounds();
    device.step("tap", "Choose your picture");
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), std::vector<SystemSoundID> { 1519 });
    ASSERT_NE(device.app().presented(), nullptr);
    device.step("cancel");
    EXPECT_EQ(device.app().presented(), nullptr);
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), std::vector<SystemSoundID> { 1519 });
    EXPECT_TRUE(device.customPicture().empty());
}

// Each block plays one sound per change: a store that ran a block twice, or rows displayed again,
// would change the count.
TEST(PictureList, OneSoundPerRegisteredBlockAndChange)
{
    SettingsDevice device;
    openPictureList(device);
    long rows = device.page()->table()->numberOfRowsInSection(0);
    ASSERT_EQ(rows, 6);
    EXPECT_EQ(tapSoundsAfterChoosing(device, 2), 6u) << "one block per displayed row";
    EXPECT_EQ(tapSoundsAfterChoosing(device, 4), 6u);
}

// A table that comes back on screen keeps its rows: returning to the page must not display them
// again, so no button is added and the sounds per change don't grow.
TEST(PictureList, ReturningToThePageAddsNoButtonAndNoBlocks)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    auto page = device.page();
    ASSERT_EQ(device.placedButtons().size(), 1u);
    for (int visit = 0; visit < 3; ++visit) {
        // Another Settings page pushed over this one, then popped: the page reappears.
        device.step("open", "Zova");
        device.step("back");
        ASSERT_EQ(device.page(), page);
        EXPECT_EQ(device.placedButtons().size(), 1u) << "after return " << visit + 1;
        page->viewWillAppear(false);
        EXPECT_EQ(device.placedButtons().size(), 1u) << "after a direct appearance " << visit + 1;
    }
    EXPECT_EQ(device.cell(5)->accessoryType(), 3);
    EXPECT_EQ(tapSoundsAfterChoosing(device, 1), 6u);
    EXPECT_TRUE(device.placedButtons().empty());
}

// viewWillAppear must clear every tagged button when the page comes back without the custom
// picture chosen, and leave one in place while it is chosen.
TEST(PictureList, AppearingClearsButtonsUnlessTheCustomPictureIsChosen)
{
    SettingsDevice device;
    device.store()->setInteger(3, "siripic");
    openPictureList(device);
    auto page = device.page();
    page->table()->addSubview(strayButton());
    page->table()->addSubview(strayButton());
    ASSERT_EQ(device.placedButtons().size(), 2u);
    page->viewWillAppear(false);
    EXPECT_TRUE(device.placedButtons().empty());

    device.step("row", "5");
    device.settle();
    ASSERT_EQ(device.placedButtons().size(), 1u);
    page->viewWillAppear(false);
    EXPECT_EQ(device.placedButtons().size(), 1u);
}

// Clear must remove every stacked button, not only the latest one.
TEST(PictureList, ClearRemovesStackedButtons)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    // Rows displayed a second time make a second button, which the new blocks place too.
    device.page()->reloadSpecifiers();
    device.settle();
    ASSERT_EQ(device.placedButtons().size(), 2u);
    device.step("row", "0");
    device.settle();
    EXPECT_TRUE(device.placedButtons().empty());
    EXPECT_EQ(device.page()->table()->viewWithTag(999), nullptr);
}

// Catches hit testing in subview order while the button's z position draws it above the rows: a
// touch where the button is drawn must reach it, and a row it covers must not be tapped through it.
TEST(PictureList, TheButtonTakesTouchesAboveTheRowsItCovers)
{
    SettingsDevice device;
    device.store()->setInteger(5, "siripic");
    openPictureList(device);
    auto buttons = device.placedButtons();
    ASSERT_EQ(buttons.size(), 1u);
    auto button = buttons[0];
    auto table = device.page()->table();
    auto& window = device.app().window();
    // Behind the rows in subview order, over row 5 on screen: only its z position keeps it on top.
    table->sendSubviewToBack(button);
    button->setCenter(device.cell(5)->center());
    CGPoint centre = table->convertPointToView(button->center(), &window);
    EXPECT_EQ(window.hitTest(centre, nullptr), button);

    std::string error;
    EXPECT_FALSE(device.app().tapRow(5, error));
    EXPECT_NE(error.find("covered"), std::string::npos) << error;
    AudioServicesResetPlayedSystemSounds();
    EXPECT_TRUE(device.app().tapAt(centre, error)) << error;
    device.settle();
    EXPECT_NE(device.app().presented(), nullptr) << "the button opens the picker";
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), std::vector<SystemSoundID> { 1519 });
}

// Catches a point tap that misses the row drawn there, or a drag on the list that selects a row.
TEST(PictureList, APointTapChoosesTheRowThereAndADragChoosesNothing)
{
    SettingsDevice device;
    openPictureList(device);
    auto& window = device.app().window();
    auto table = device.page()->table();
    CGPoint row2 = table->convertPointToView(device.cell(2)->center(), &window);
    std::string error;
    EXPECT_TRUE(device.app().drag(row2, CGVectorMake(0, 60), error)) << error;
    device.settle();
    EXPECT_EQ(device.store()->integerForKey("siripic", 0), 0);
    row2 = table->convertPointToView(device.cell(2)->center(), &window);
    EXPECT_TRUE(device.app().tapAt(row2, error)) << error;
    device.settle();
    EXPECT_EQ(device.store()->integerForKey("siripic", 0), 2);
}

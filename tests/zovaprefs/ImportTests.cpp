// The import of a custom GIF: the exact bytes written whole, and a banner that tells the truth.
#include "SettingsDevice.hpp"

#include <audiotoolbox/AudioServices.hpp>
#include <foundation/NSURL.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/CALayer.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UIScreen.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace {

std::vector<uint8_t> someBytes(uint8_t seed, size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 31);
    return bytes;
}

std::shared_ptr<UILabel> bannerLabel(SettingsDevice& device)
{
    auto banner = device.app().presented();
    if (!banner)
        return nullptr;
    for (const auto& view : banner->view()->subviews()) {
        if (auto label = std::dynamic_pointer_cast<UILabel>(view))
            return label;
    }
    return nullptr;
}

void openPicker(SettingsDevice& device)
{
    device.store()->setInteger(5, "siripic");
    device.step("open", "Zova");
    device.step("tap", "Picture");
    device.step("tap", "Choose your picture");
    AudioServicesResetPlayedSystemSounds();
}

// Hands the page a pick as the picker would, with whatever info the platform gives.
void finishPick(SettingsDevice& device, const UIImagePickerInfo& info)
{
    auto picker = std::dynamic_pointer_cast<UIImagePickerController>(device.app().presented());
    ASSERT_NE(picker, nullptr);
    auto delegate = picker->delegate().lock();
    ASSERT_NE(delegate, nullptr);
    delegate->imagePickerControllerDidFinishPickingMediaWithInfo(picker, info);
    device.settle(0.5);
}

}

// A converted or partial copy would not be the user's picture.
TEST(Import, CopiesTheExactBytesAndReplacesTheFileWhole)
{
    SettingsDevice device;
    auto first = someBytes(1, 70'000);
    device.addToPhotoLibrary("first.gif", first);
    openPicker(device);
    device.step("pick", "first.gif");
    EXPECT_EQ(device.customPicture(), first);
    device.settle(1.5);
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), std::vector<SystemSoundID> { 1504 });
    EXPECT_EQ(device.app().presented(), nullptr) << "the banner goes away by itself";

    auto second = someBytes(9, 1234);
    device.addToPhotoLibrary("second.png", second);
    device.step("tap", "Choose your picture");
    device.step("pick", "second.png");
    EXPECT_EQ(device.customPicture(), second);
    EXPECT_EQ(device.store()->integerForKey("siripic", 0), 5) << "the import writes no setting";
}

// The banner's look: 200 x 100, centred, at a third of the height, two centred lines.
TEST(Import, BannerLayout)
{
    SettingsDevice device;
    device.addToPhotoLibrary("mine.gif", someBytes(3, 100));
    openPicker(device);
    device.step("pick", "mine.gif");
    auto label = bannerLabel(device);
    ASSERT_NE(label, nullptr);
    CGRect screen = UIScreen::mainScreen()->bounds();
    EXPECT_EQ(label->frame().size, CGSizeMake(200, 100));
    EXPECT_DOUBLE_EQ(label->center().x, screen.size.width / 2);
    EXPECT_DOUBLE_EQ(label->center().y, screen.size.height / 3.0);
    EXPECT_EQ(label->text(), "DONE!\n\u2611\uFE0F");
    EXPECT_EQ(label->numberOfLines(), 2);
    EXPECT_EQ(label->textAlignment(), 1);
    EXPECT_TRUE(label->clipsToBounds());
    EXPECT_TRUE(label->textColor()->isEqual(*UIColor::whiteColor()));
    EXPECT_TRUE(label->backgroundColor()->isEqual(*UIColor::darkGrayColor()));
    EXPECT_DOUBLE_EQ(label->layer()->cornerRadius(), 30.0);
    EXPECT_EQ(label->font()->fontName(), "HelveticaNeue-Bold");
    EXPECT_DOUBLE_EQ(label->font()->pointSize(), 30.0);
    EXPECT_TRUE(label->adjustsFontSizeToFitWidth());
    EXPECT_DOUBLE_EQ(label->minimumScaleFactor(), 0.5);
}

// A pick that wrote nothing must not be reported as done, and must leave the previous picture.
TEST(Import, FailuresAreReportedAndKeepThePreviousPicture)
{
    SettingsDevice device;
    auto previous = someBytes(7, 500);
    device.addToPhotoLibrary("previous.gif", previous);
    openPicker(device);
    device.step("pick", "previous.gif");
    device.settle(1.5);

    auto expectFailure = [&](const char* what) {
        auto label = bannerLabel(device);
        ASSERT_NE(label, nullptr) << what;
        EXPECT_EQ(label->text().rfind("FAILED!", 0), 0u) << what;
        device.settle(1.5);
        EXPECT_TRUE(AudioServicesPlayedSystemSounds().empty()) << what;
        EXPECT_EQ(device.customPicture(), previous) << what;
    };

    device.step("tap", "Choose your picture");
    AudioServicesResetPlayedSystemSounds();
    finishPick(device, {});
    expectFailure("no file URL");

    device.step("tap", "Choose your picture");
    AudioServicesResetPlayedSystemSounds();
    finishPick(device, { { UIImagePickerControllerImageURL, NSURL::fileURLWithPath("/var/mobile/tmp/gone.gif") } });
    expectFailure("an unreadable file");

    // The picture can't be replaced: a folder stands where the file's temporary copy would go.
    auto documents = device.hostPath("/var/mobile/Documents");
    std::filesystem::permissions(documents, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    bool canStillWrite = std::ofstream(documents / "probe").good();
    std::filesystem::remove(documents / "probe");
    if (canStillWrite) {
        // Root ignores permissions: make the target a folder instead, which no rename can replace.
        std::filesystem::permissions(documents, std::filesystem::perms::owner_all);
        std::filesystem::remove(documents / "siricustom.gif");
        std::filesystem::create_directories(documents / "siricustom.gif" / "keep");
        previous.clear();
    }
    device.addToPhotoLibrary("new.gif", someBytes(11, 300));
    device.step("tap", "Choose your picture");
    AudioServicesResetPlayedSystemSounds();
    device.step("pick", "new.gif");
    auto label = bannerLabel(device);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().rfind("FAILED!", 0), 0u) << "a failed write";
    device.settle(1.5);
    EXPECT_TRUE(AudioServicesPlayedSystemSounds().empty());
    std::filesystem::permissions(documents, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(documents / "siricustom.gif");
}

// The banner must stay 0.7 s after its presentation has finished: a zero wait would dismiss it as
// soon as it is shown.
TEST(Import, BannerHoldsBeforeItIsDismissed)
{
    SettingsDevice device;
    device.addToPhotoLibrary("held.gif", someBytes(5, 200));
    openPicker(device);
    auto start = std::chrono::steady_clock::now();
    device.step("pick", "held.gif");
    ASSERT_NE(bannerLabel(device), nullptr);
    while (device.app().presented())
        device.settle(0.05);
    std::chrono::duration<double> shown = std::chrono::steady_clock::now() - start;
    // Presentation, hold and dismissal: 0.35 + 0.7 + 0.35 s at the least.
    EXPECT_GE(shown.count(), 1.4);
    EXPECT_EQ(AudioServicesPlayedSystemSounds(), std::vector<SystemSoundID> { 1504 });
}

// A pick larger than the overlay will ever show must not be read whole into memory and reported
// done: it fails, and the previous picture stays.
TEST(Import, PickAboveTheImageBoundFailsAndKeepsThePreviousPicture)
{
    SettingsDevice device;
    auto previous = someBytes(5, 400);
    device.addToPhotoLibrary("previous.gif", previous);
    openPicker(device);
    device.step("pick", "previous.gif");
    device.settle(1.5);

    // Sparse: 600 MiB long, nothing written.
    auto huge = device.hostPath("/var/mobile/tmp/picked/huge.gif");
    std::filesystem::create_directories(huge.parent_path());
    std::ofstream(huge, std::ios::binary) << "GIF89a";
    std::filesystem::resize_file(huge, size_t { 600 } << 20);
    device.step("tap", "Choose your picture");
    AudioServicesResetPlayedSystemSounds();
    finishPick(device, { { UIImagePickerControllerImageURL, NSURL::fileURLWithPath("/var/mobile/tmp/picked/huge.gif") } });
    auto label = bannerLabel(device);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().rfind("FAILED!", 0), 0u);
    device.settle(1.5);
    EXPECT_TRUE(AudioServicesPlayedSystemSounds().empty());
    EXPECT_EQ(device.customPicture(), previous);
    std::filesystem::remove_all(huge.parent_path());
}

// A Documents folder linked out of the device must not let the import write there.
TEST(Import, LinkedDocumentsFolderIsNotWrittenThrough)
{
    SettingsDevice device;
    auto outside = device.hostPath("/").string() + "-outside";
    std::filesystem::create_directories(outside);
    auto documents = device.hostPath("/var/mobile/Documents");
    std::filesystem::remove_all(documents);
    std::filesystem::create_directory_symlink(outside, documents);
    device.addToPhotoLibrary("mine.gif", someBytes(2, 300));
    openPicker(device);
    device.step("pick", "mine.gif");
    auto label = bannerLabel(device);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().rfind("FAILED!", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    device.settle(1.5);
    std::filesystem::remove(documents);
    std::filesystem::create_directories(documents);
    std::filesystem::remove_all(outside);
}

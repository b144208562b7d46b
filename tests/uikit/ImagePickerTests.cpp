#include "uikit/ControllerTestSupport.hpp"

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSURL.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIImagePickerController.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace ControllerTestSupport;
namespace fs = std::filesystem;

namespace {

const std::string gifBytes = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A page as the settings bundle's: copies on the picker's dismissal, then shows a banner.
class ImportingPage : public UIViewController, public UIImagePickerControllerDelegate, public UINavigationControllerDelegate {
public:
    std::vector<std::string> log;
    std::shared_ptr<NSURL> pickedURL;
    std::shared_ptr<NSData> pickedBytes;

    void imagePickerControllerDidFinishPickingMediaWithInfo(std::shared_ptr<UIImagePickerController>, const UIImagePickerInfo& info) override
    {
        auto it = info.find(UIImagePickerControllerImageURL);
        pickedURL = it == info.end() ? nullptr : std::dynamic_pointer_cast<NSURL>(it->second);
        pickedBytes = NSData::dataWithContentsOfURL(pickedURL.get());
        dismissViewControllerAnimated(true, [this] { log.push_back("copy"); });
        presentViewController(std::make_shared<UIViewController>(), true, [this] { log.push_back("banner"); });
    }
};

class UIImagePickerTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zova-picker-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        DeviceRoot::set(m_root);
        m_library = m_root / "var/mobile/Media/DCIM";
        writeFile(m_library / "100APPLE/IMG_0001.GIF", gifBytes);
        writeFile(m_library / "100APPLE/IMG_0002.JPG", "jpeg");
        writeFile(m_library / ".thumbnails/x.gif", "hidden");
        writeFile(m_root / "secret.txt", "outside");
        fs::create_symlink(m_root / "secret.txt", m_library / "link.gif");
        m_window = makeWindow(m_page);
    }

    void TearDown() override
    {
        settle();
        std::error_code error;
        fs::remove_all(m_root, error);
    }

    std::shared_ptr<UIImagePickerController> presentPicker()
    {
        auto picker = std::make_shared<UIImagePickerController>();
        picker->setSourceType(UIImagePickerControllerSourceTypePhotoLibrary);
        picker->setDelegate(m_page);
        m_page->presentViewController(picker, true, nullptr);
        settle();
        return picker;
    }

    fs::path m_root;
    fs::path m_library;
    std::shared_ptr<ImportingPage> m_page = std::make_shared<ImportingPage>();
    std::shared_ptr<UIWindow> m_window;
};

}

// Catches a pick that hands over the library's own file or a host path instead of a device
// URL of a byte-identical copy, and the page's follow-up transitions not both completing.
TEST_F(UIImagePickerTest, PickHandsOverDeviceURLOfACopy)
{
    auto picker = presentPicker();
    ASSERT_TRUE(picker->pickFile("100APPLE/IMG_0001.GIF"));
    ASSERT_TRUE(m_page->pickedURL);
    EXPECT_TRUE(m_page->pickedURL->isFileURL());
    const auto& path = m_page->pickedURL->path();
    EXPECT_EQ(path.rfind("/var/mobile/tmp/", 0), 0u) << path;
    EXPECT_TRUE(path.ends_with("/IMG_0001.GIF")) << path;
    ASSERT_TRUE(m_page->pickedBytes);
    EXPECT_EQ(std::string(m_page->pickedBytes->span().begin(), m_page->pickedBytes->span().end()), gifBytes);

    ASSERT_TRUE(waitFor([&] { return m_page->log.size() == 2; }));
    EXPECT_EQ(m_page->log, (std::vector<std::string> { "copy", "banner" }));
    EXPECT_EQ(picker->presentingViewController(), nullptr);
    EXPECT_FALSE(picker->pickFile("100APPLE/IMG_0001.GIF"));
}

// Catches hidden files or links listed, and names outside the listing (unknown, climbing out,
// links) reaching the delegate or the disk.
TEST_F(UIImagePickerTest, UnknownFilesAreRefused)
{
    auto picker = presentPicker();
    EXPECT_EQ(picker->availableFiles(), (std::vector<std::string> { "100APPLE/IMG_0001.GIF", "100APPLE/IMG_0002.JPG" }));
    for (const char* name : { "nope.gif", "../../../../secret.txt", "100APPLE/../100APPLE/IMG_0001.GIF", "link.gif", "", ".thumbnails/x.gif" })
        EXPECT_FALSE(picker->pickFile(name)) << name;
    EXPECT_EQ(m_page->pickedURL, nullptr);
    EXPECT_FALSE(fs::exists(m_root / "var/mobile/tmp"));
}

// Catches a cancel that calls the page, leaves the picker up, or is taken while the picker
// isn't on screen.
TEST_F(UIImagePickerTest, CancelDismissesAndCallsNothingOfThePage)
{
    auto unshown = std::make_shared<UIImagePickerController>();
    EXPECT_FALSE(unshown->cancel());
    EXPECT_FALSE(unshown->pickFile("100APPLE/IMG_0001.GIF"));

    auto picker = presentPicker();
    EXPECT_TRUE(picker->cancel());
    EXPECT_FALSE(picker->cancel());
    ASSERT_TRUE(waitFor([&] { return !m_page->presentedViewController(); }));
    EXPECT_EQ(m_page->pickedURL, nullptr);
    EXPECT_TRUE(m_page->log.empty());
}

// Catches the picker keeping its delegate alive, or calling a dead one.
TEST_F(UIImagePickerTest, DelegateIsHeldWeakly)
{
    auto picker = presentPicker();
    auto delegate = std::make_shared<ImportingPage>();
    picker->setDelegate(delegate);
    std::weak_ptr<ImportingPage> watch = delegate;
    delegate.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(picker->pickFile("100APPLE/IMG_0002.JPG"));
    EXPECT_TRUE(waitFor([&] { return !picker->presentingViewController(); }));
}

// Catches the picked file's temporary copy left behind for good once the delegate has had it.
TEST_F(UIImagePickerTest, CopyIsRemovedOnceTheCallbackReturns)
{
    auto picker = presentPicker();
    ASSERT_TRUE(picker->pickFile("100APPLE/IMG_0001.GIF"));
    ASSERT_TRUE(m_page->pickedBytes) << "the copy is there during the callback";
    auto copy = m_root / m_page->pickedURL->path().substr(1);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(copy.parent_path()));
    EXPECT_TRUE(fs::is_empty(m_root / "var/mobile/tmp"));
}

// Catches a photo folder linked out of the device listing and copying files of this machine, and a
// link inside the device that points inside it no longer being followed.
TEST_F(UIImagePickerTest, LinkedPhotoFoldersStayInsideTheDevice)
{
    fs::path outside = m_root.string() + "-outside";
    writeFile(outside / "OUTSIDE.GIF", gifBytes);
    fs::remove_all(m_library);
    fs::create_directory_symlink(outside, m_library);
    auto picker = presentPicker();
    EXPECT_TRUE(picker->availableFiles().empty());
    EXPECT_FALSE(picker->pickFile("OUTSIDE.GIF"));

    fs::remove(m_library);
    writeFile(m_root / "var/mobile/Photos/INSIDE.GIF", gifBytes);
    fs::create_directory_symlink("/var/mobile/Photos", m_library);
    EXPECT_EQ(picker->availableFiles(), std::vector<std::string> { "INSIDE.GIF" });
    EXPECT_TRUE(picker->pickFile("INSIDE.GIF"));
    ASSERT_TRUE(m_page->pickedBytes);
    EXPECT_EQ(m_page->pickedBytes->length(), gifBytes.size());
    fs::remove_all(outside);
}

// Catches tiles that take no touch where they are drawn, or that pick when the finger went down
// on another tile, between tiles or below them.
TEST_F(UIImagePickerTest, ATouchLiftedOnTheTileItWentDownOnPicksIt)
{
    auto picker = presentPicker();
    auto inWindow = [&](CGPoint point) { return picker->view()->convertPointToView(point, nullptr); };
    CGRect first = picker->rectForFileAtIndex(0);
    CGPoint firstCentre = inWindow({ CGRectGetMidX(first), CGRectGetMidY(first) });
    CGRect second = picker->rectForFileAtIndex(1);
    CGPoint secondCentre = inWindow({ CGRectGetMidX(second), CGRectGetMidY(second) });
    m_window->dragFrom(firstCentre, { secondCentre.x - firstCentre.x, 0 }, 4);
    m_window->tapAtPoint(inWindow({ CGRectGetMaxX(first) + UIImagePickerController::libraryGap / 2, CGRectGetMidY(first) }));
    m_window->tapAtPoint(inWindow({ CGRectGetMidX(first), CGRectGetMaxY(first) + 300 }));
    EXPECT_EQ(m_page->pickedURL, nullptr);

    EXPECT_TRUE(m_window->tapAtPoint(secondCentre));
    ASSERT_TRUE(m_page->pickedURL);
    EXPECT_TRUE(m_page->pickedURL->path().ends_with("/IMG_0002.JPG")) << m_page->pickedURL->path();
    // The page's own transitions end before the next test presents.
    EXPECT_TRUE(waitFor([&] { return m_page->log.size() == 2; }));
}

// Catches a picker whose only way out is a pick: Cancel on its bar takes the touch and cancels.
TEST_F(UIImagePickerTest, CancelOnTheBarCancels)
{
    auto picker = presentPicker();
    const auto& cancel = picker->cancelButton();
    ASSERT_TRUE(cancel);
    CGPoint centre = cancel->convertPointToView({ CGRectGetMidX(cancel->bounds()), CGRectGetMidY(cancel->bounds()) }, nullptr);
    EXPECT_EQ(m_window->hitTest(centre, nullptr), cancel);
    EXPECT_TRUE(m_window->tapAtPoint(centre));
    ASSERT_TRUE(waitFor([&] { return !m_page->presentedViewController(); }));
    EXPECT_EQ(m_page->pickedURL, nullptr);
}

// The tweak as the loader injects it into an assistant host: start-up, and every placement rule.
#include "TweakHost.hpp"

#include <SUICFlamesView.hpp>
#include <foundation/NSURL.hpp>
#include <tools/gifgen/GifGenerator.hpp>
#include <tweak/gif/UIImage+animatedGIF.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIScreen.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

std::shared_ptr<SUICFlamesView> newFlamesView()
{
    return SUICFlamesView::initWithFrame(UIScreen::mainScreen()->bounds());
}

// The containers the overlay added, back to front: every subview but the host's own flames.
std::vector<std::shared_ptr<UIView>> containers(const SUICFlamesView& flamesView)
{
    std::vector<std::shared_ptr<UIView>> result;
    for (const auto& subview : flamesView.subviews()) {
        if (subview != flamesView.flames())
            result.push_back(subview);
    }
    return result;
}

std::shared_ptr<UIImageView> imageViewIn(const UIView& container)
{
    auto subviews = container.subviews();
    return subviews.size() == 1 ? std::dynamic_pointer_cast<UIImageView>(subviews[0]) : nullptr;
}

// Places a new flames view in the host's window and gives it back.
std::shared_ptr<SUICFlamesView> place()
{
    auto& host = TweakHost::shared().host();
    host.show();
    return std::dynamic_pointer_cast<SUICFlamesView>(host.shownView());
}

std::vector<uint8_t> solidGif(size_t side, uint8_t red, std::vector<uint16_t> delays)
{
    std::vector<gifgen::Frame> frames;
    for (uint16_t delay : delays) {
        gifgen::Frame frame;
        frame.rgba.assign(side * side * 4, 255);
        for (size_t i = 0; i < side * side; ++i)
            frame.rgba[i * 4] = red;
        frame.delay = delay;
        frames.push_back(std::move(frame));
        red = static_cast<uint8_t>(red + 40);
    }
    return gifgen::encodeGif(side, side, frames);
}

class ScreenSize {
public:
    explicit ScreenSize(CGSize size)
        : m_previous(UIScreen::mainScreen()->bounds().size)
    {
        UIScreen::setMainScreenSize(size, 3);
    }
    ~ScreenSize() { UIScreen::setMainScreenSize(m_previous, 3); }

private:
    CGSize m_previous;
};

}

// A fresh host whose first placement sees a value outside 0 to 5 has no image view to touch.
TEST(TweakStartUp, UnknownPictureBeforeAnyPlacementDoesNothing)
{
    auto& tweak = TweakHost::shared();
    ASSERT_EQ(tweak.gifImageView(), nullptr) << "this test must run before any other placement";
    tweak.setSettings(true, false, 7);
    auto flamesView = place();
    EXPECT_TRUE(flamesView->isRunning());
    EXPECT_TRUE(containers(*flamesView).empty());
    EXPECT_EQ(tweak.gifView(), nullptr);
    EXPECT_EQ(tweak.gifImageView(), nullptr);
    flamesView->removeFromSuperview();
    tweak.setSettings(true, true, 0);
}

// A compiler-made initialiser beside the constructor would run code of the library that the
// constructor doesn't order, and register destructors that tear the globals down at exit.
TEST(TweakStartUp, TheConstructorIsTheOnlyInitialiser)
{
    // The build's own copy: the packaged one is stripped of the symbols that tell.
    std::string command = "nm '" ZOVA_TWEAK_LIBRARY "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_NE(pipe, nullptr);
    std::string symbols;
    char buffer[4096];
    while (size_t count = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        symbols.append(buffer, count);
    ASSERT_NE(symbols.find("preferences"), std::string::npos) << symbols;
    EXPECT_EQ(symbols.find("_GLOBAL__sub_I"), std::string::npos) << symbols;
}

// Settings registered with the wrong default, or after the hook, would change the first placement.
TEST(TweakStartUp, DefaultsApplyAndTheFirstPlacementShowsTheFirstPicture)
{
    auto& tweak = TweakHost::shared();
    EXPECT_TRUE(tweak.accesoAtLoad);
    EXPECT_TRUE(tweak.trasparenteAtLoad);
    EXPECT_EQ(tweak.siripicAtLoad, 0);
    ASSERT_NE(tweak.preferences(), nullptr);
    EXPECT_EQ(tweak.preferences(), HBPreferences::initWithIdentifier(zova::preferencesIdentifier));

    auto flamesView = place();
    ASSERT_TRUE(flamesView->isRunning()) << "the host's own implementation must run first";
    auto added = containers(*flamesView);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0], tweak.gifView());
    EXPECT_EQ(imageViewIn(*added[0]), tweak.gifImageView());
    ASSERT_NE(tweak.gifImageView()->image(), nullptr);
    EXPECT_TRUE(tweak.gifImageView()->image()->isAnimated());
    EXPECT_DOUBLE_EQ(tweak.gifImageView()->alpha(), 1.0);
}

// The container must lie behind the flames, transparent, with the image view filling it.
TEST(TweakPlacement, FullScreenPictureSitsBehindTheFlames)
{
    auto& tweak = TweakHost::shared();
    for (int64_t choice : { 0, 1, 3, 4 }) {
        tweak.setSettings(true, true, choice);
        auto flamesView = place();
        auto subviews = flamesView->subviews();
        ASSERT_EQ(subviews.size(), 2u);
        EXPECT_EQ(subviews[0], tweak.gifView()) << "picture " << choice << " must be the backmost subview";
        EXPECT_EQ(subviews[1], flamesView->flames());
        EXPECT_EQ(tweak.gifView()->frame(), CGRectMake(0, 0, 390, 844));
        EXPECT_DOUBLE_EQ(tweak.gifView()->backgroundColor()->alpha(), 0.0);
        EXPECT_EQ(tweak.gifImageView()->frame(), CGRectMake(0, 0, 390, 844));
        EXPECT_FALSE(tweak.gifImageView()->isUserInteractionEnabled());
        EXPECT_TRUE(tweak.gifView()->isUserInteractionEnabled()) << "the container is left as made";
        EXPECT_NE(tweak.gifImageView()->image(), nullptr) << "picture " << choice;
    }
}

// The square picture keeps 500 points whatever the screen, centred on the screen's centre.
TEST(TweakPlacement, SquarePictureIsCentredAndMayReachPastTheEdges)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, true, 2);
    place();
    EXPECT_EQ(tweak.gifView()->frame(), CGRectMake(-55, 172, 500, 500));
    EXPECT_EQ(tweak.gifImageView()->frame(), CGRectMake(0, 0, 500, 500));

    ScreenSize narrow({ 320, 568 });
    place();
    EXPECT_EQ(tweak.gifView()->frame(), CGRectMake(-90, 34, 500, 500));
}

// Half opacity belongs to the image view only; the sense of the setting must not be reversed.
TEST(TweakPlacement, OpacityFollowsTrasparente)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, false, 0);
    place();
    EXPECT_DOUBLE_EQ(tweak.gifImageView()->alpha(), 0.5);
    EXPECT_DOUBLE_EQ(tweak.gifView()->alpha(), 1.0);
    tweak.setSettings(true, true, 0);
    place();
    EXPECT_DOUBLE_EQ(tweak.gifImageView()->alpha(), 1.0);
}

// With the overlay off the host's view must be left exactly as the host made it.
TEST(TweakPlacement, OverlayOffAddsNothingAndKeepsTheGlobals)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, true, 0);
    place();
    auto earlierContainer = tweak.gifView();
    auto earlierImageView = tweak.gifImageView();

    tweak.setSettings(false, false, 1);
    auto flamesView = place();
    EXPECT_TRUE(flamesView->isRunning());
    EXPECT_TRUE(containers(*flamesView).empty());
    EXPECT_EQ(tweak.gifView(), earlierContainer);
    EXPECT_EQ(tweak.gifImageView(), earlierImageView);
    EXPECT_DOUBLE_EQ(earlierImageView->alpha(), 1.0) << "no opacity is set while the overlay is off";
}

// A value outside 0 to 5 places nothing but still applies the opacity to the latest image view.
TEST(TweakPlacement, UnknownPictureOnlyUpdatesTheLatestOpacity)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, true, 0);
    place();
    auto earlierImageView = tweak.gifImageView();

    for (int64_t choice : { 6, 7, -1 }) {
        tweak.setSettings(true, choice != 7, choice);
        auto flamesView = place();
        EXPECT_TRUE(containers(*flamesView).empty()) << "picture " << choice;
        EXPECT_EQ(tweak.gifImageView(), earlierImageView);
        EXPECT_DOUBLE_EQ(earlierImageView->alpha(), choice == 7 ? 0.5 : 1.0);
    }
}

// A view the host moves again must show the newest picture, not pile containers up behind the old
// ones; taking it out of its superview is a placement too.
TEST(TweakPlacement, EachMoveReplacesTheContainerOnThatView)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, true, 1);
    auto flamesView = newFlamesView();
    auto& window = tweak.host().window();
    window.addSubview(flamesView);
    auto first = tweak.gifView();
    tweak.setSettings(true, false, 2);
    flamesView->removeFromSuperview();
    auto second = tweak.gifView();
    window.addSubview(flamesView);
    auto third = tweak.gifView();

    auto added = containers(*flamesView);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0], third);
    EXPECT_NE(third, second);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(second->superview(), nullptr);
    EXPECT_EQ(third->frame().size, CGSizeMake(500, 500)) << "the picture chosen between the moves shows";
    EXPECT_DOUBLE_EQ(tweak.gifImageView()->alpha(), 0.5);
    EXPECT_EQ(flamesView->subviews().back(), flamesView->flames());
    flamesView->removeFromSuperview();
}

// Only the receiving view's containers go: another flames view keeps its picture, and the overlay
// switched off or an unknown picture removes nothing.
TEST(TweakPlacement, ReplacingLeavesOtherViewsAndRefusedPlacementsAlone)
{
    auto& tweak = TweakHost::shared();
    auto& window = tweak.host().window();
    tweak.setSettings(true, true, 0);
    auto left = newFlamesView();
    auto right = newFlamesView();
    window.addSubview(left);
    auto leftContainer = tweak.gifView();
    window.addSubview(right);

    tweak.setSettings(false, true, 0);
    left->removeFromSuperview();
    tweak.setSettings(true, true, 7);
    window.addSubview(left);
    ASSERT_EQ(containers(*left).size(), 1u);
    EXPECT_EQ(containers(*left)[0], leftContainer);
    EXPECT_EQ(containers(*right).size(), 1u);
    left->removeFromSuperview();
    right->removeFromSuperview();
}

// Each value names its own file: a table with two pictures swapped or one repeated passes the
// placement rules but shows the wrong picture.
TEST(TweakPlacement, EachChoiceShowsItsOwnPicture)
{
    auto& tweak = TweakHost::shared();
    auto custom = solidGif(6, 30, { 5, 5, 5 });
    tweak.writeDeviceFile(zova::customPicturePath, custom);
    const char* files[] = {
        "/Library/PreferenceBundles/zovaprefs.bundle/a.gif", "/Library/PreferenceBundles/zovaprefs.bundle/b.gif",
        "/Library/PreferenceBundles/zovaprefs.bundle/c.gif", "/Library/PreferenceBundles/zovaprefs.bundle/h.gif",
        "/Library/PreferenceBundles/zovaprefs.bundle/e.gif", "/var/mobile/Documents/siricustom.gif",
    };
    for (int64_t choice = 0; choice <= 5; ++choice) {
        tweak.setSettings(true, true, choice);
        place();
        auto shown = tweak.gifImageView()->image();
        auto expected = animatedGIF::animatedImageWithAnimatedGIFURL(NSURL::fileURLWithPath(files[choice]).get());
        ASSERT_NE(shown, nullptr) << "picture " << choice;
        ASSERT_NE(expected, nullptr) << files[choice];
        EXPECT_EQ(shown->images().size(), expected->images().size()) << "picture " << choice;
        EXPECT_DOUBLE_EQ(shown->duration(), expected->duration()) << "picture " << choice;
        EXPECT_EQ(shown->size(), expected->size()) << "picture " << choice;
    }
}


// The custom picture is read anew at each placement; earlier containers keep what they showed.
TEST(TweakPlacement, CustomPictureIsReadAtEachPlacement)
{
    auto& tweak = TweakHost::shared();
    tweak.removeDeviceFile(zova::customPicturePath);
    tweak.setSettings(true, true, zova::customPictureChoice);

    place();
    ASSERT_NE(tweak.gifImageView(), nullptr);
    EXPECT_EQ(tweak.gifImageView()->image(), nullptr) << "no custom file yet: an empty image view";
    EXPECT_EQ(tweak.gifView()->frame(), CGRectMake(0, 0, 390, 844));

    tweak.writeDeviceFile(zova::customPicturePath, solidGif(8, 10, { 4, 6 }));
    place();
    auto firstImage = tweak.gifImageView()->image();
    ASSERT_NE(firstImage, nullptr);
    EXPECT_EQ(firstImage->images().size(), 5u);
    EXPECT_DOUBLE_EQ(firstImage->duration(), 0.10);
    auto firstImageView = tweak.gifImageView();

    tweak.writeDeviceFile(zova::customPicturePath, solidGif(8, 200, { 3, 5 }));
    place();
    ASSERT_NE(tweak.gifImageView()->image(), nullptr);
    EXPECT_EQ(tweak.gifImageView()->image()->images().size(), 8u);
    EXPECT_EQ(firstImageView->image(), firstImage);
}

// Whatever the user imported, the placement goes on; a file that is no image leaves the view empty.
TEST(TweakPlacement, UndecodableCustomFileLeavesAnEmptyImageView)
{
    auto& tweak = TweakHost::shared();
    tweak.setSettings(true, true, zova::customPictureChoice);
    tweak.writeDeviceFile(zova::customPicturePath, { 'G', 'I', 'F', '8', '9', 'a', 0xff, 0xff, 0xff, 0xff });
    auto flamesView = place();
    EXPECT_EQ(containers(*flamesView).size(), 1u);
    EXPECT_EQ(tweak.gifImageView()->image(), nullptr);
    EXPECT_TRUE(flamesView->isRunning());
}

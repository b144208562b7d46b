// The replacement of the flames view's didMoveToSuperview: the host's own work first, then the
// picture behind the flames.
#include "Tweak.hpp"
#include "ZovaSettings.hpp"
#include "gif/UIImage+animatedGIF.hpp"

#include <foundation/NSURL.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIScreen.hpp>

#include <string>

namespace {

// Marks the containers this library puts on a flames view, so that the next placement on the same
// view can find and replace them.
constexpr long containerTag = 0x5A4F5641;

CGRect containerFrame(zova::ContainerSize size, CGRect screenBounds)
{
    if (size == zova::ContainerSize::FixedSquare)
        return CGRectMake(0, 0, zova::squareContainerSide, zova::squareContainerSide);
    return screenBounds;
}

// Only the flames view's own subviews: a flames view nested inside keeps its picture.
void removeEarlierContainers(UIView& flamesView)
{
    for (const auto& subview : flamesView.subviews()) {
        if (subview->tag() == containerTag)
            subview->removeFromSuperview();
    }
}

void placePicture(UIView& flamesView, const zova::Picture& picture, CGRect screenBounds)
{
    CGPoint centre { screenBounds.size.width * 0.5, screenBounds.size.height * 0.5 };

    gifView = UIView::initWithFrame(containerFrame(picture.container, screenBounds));
    gifView->setCenter(centre);
    gifView->setBackgroundColor(UIColor::clearColor());
    gifView->setTag(containerTag);
    // A view the host moves again gets the new picture, not one more picture behind the old ones.
    removeEarlierContainers(flamesView);
    flamesView.addSubview(gifView);
    flamesView.sendSubviewToBack(gifView);

    gifImageView = UIImageView::initWithFrame(gifView->bounds());
    auto url = NSURL::fileURLWithPath(std::string(picture.path));
    gifImageView->setImage(animatedGIF::animatedImageWithAnimatedGIFURL(url.get()));
    gifView->addSubview(gifImageView);
}

void placeOverlay(UIView& flamesView)
{
    if (!acceso)
        return;
    CGRect screenBounds = UIScreen::mainScreen()->bounds();
    if (auto picture = zova::pictureForChoice(siripic))
        placePicture(flamesView, *picture, screenBounds);
    // Also with no new picture: the latest one follows the current opacity.
    if (gifImageView) {
        gifImageView->setAlpha(trasparente ? 1.0 : 0.5);
        gifImageView->setUserInteractionEnabled(false);
    }
}

}

void overlayDidMoveToSuperview(id self, SEL _cmd)
{
    if (hostDidMoveToSuperview)
        hostDidMoveToSuperview(self, _cmd);
    // The host's placement must go on whatever happens to the picture.
    try {
        if (auto* flamesView = dynamic_cast<UIView*>(self))
            placeOverlay(*flamesView);
    } catch (...) {
    }
}

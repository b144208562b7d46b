#include <render/ControlPainter.hpp>

#include <render/ImageRenditions.hpp>
#include <render/TextRenderer.hpp>

#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UISwitch.hpp>

#include <algorithm>
#include <cmath>

namespace {

constexpr CGFloat switchKnobInset = 2;
constexpr CGFloat barTitleSize = 17;
// The title keeps clear of the back button on either side, so it stays centred on the bar.
constexpr CGFloat barTitleSideRoom = 80;
constexpr CGFloat backChevronLeft = 8;
constexpr CGFloat backTitleLeft = 26;
constexpr CGFloat translucentBarAlpha = 0.94;
constexpr CGFloat highlightedAlpha = 0.2;

std::shared_ptr<UIColor> withAlpha(const UIColor& color, CGFloat alpha)
{
    return UIColor::colorWithRed(color.red(), color.green(), color.blue(), color.alpha() * alpha);
}

void paintBackButton(const PaintContext& paint, const UINavigationBar& bar, CGRect bounds)
{
    auto tint = bar.tintColor() ? bar.tintColor() : Drawing::systemBlue();
    // The platform fades a bar button while a finger rests on it.
    if (bar.isBackButtonHighlighted())
        tint = withAlpha(*tint, highlightedAlpha);
    CGFloat middle = CGRectGetMidY(bounds);
    CGFloat left = bounds.origin.x + backChevronLeft;
    Drawing::setStrokeColor(paint.context, *tint);
    CGContextSetLineWidth(paint.context, 3);
    CGContextSetLineCap(paint.context, kCGLineCapRound);
    CGContextBeginPath(paint.context);
    CGContextMoveToPoint(paint.context, left + 9, middle - 10);
    CGContextAddLineToPoint(paint.context, left, middle);
    CGContextAddLineToPoint(paint.context, left + 9, middle + 10);
    CGContextStrokePath(paint.context);
    TextStyle style { UIFont::systemFontOfSize(barTitleSize), tint, NSTextAlignmentLeft, 1, false, 0 };
    CGRect rect = CGRectMake(bounds.origin.x + backTitleLeft, bounds.origin.y, UINavigationBar::backButtonWidth - backTitleLeft, bounds.size.height);
    TextRenderer::drawText(paint.context, bar.displayedBackTitle(), rect, style, paint.pixelScale);
}

bool isWholePixel(CGFloat value)
{
    return std::abs(value - std::round(value)) < 1e-6;
}

// Only a picture shrunk onto whole pixels: there the rendition covers exactly what the image would.
CGImageRef scaledRendition(const PaintContext& paint, CGImageRef picture, CGRect bounds)
{
    if (!paint.renditions || !picture)
        return nullptr;
    CGRect device = CGContextConvertRectToDeviceSpace(paint.context, bounds);
    if (!isWholePixel(device.origin.x) || !isWholePixel(device.origin.y) || !isWholePixel(device.size.width) || !isWholePixel(device.size.height))
        return nullptr;
    double width = std::round(device.size.width);
    double height = std::round(device.size.height);
    double imageWidth = static_cast<double>(CGImageGetWidth(picture));
    double imageHeight = static_cast<double>(CGImageGetHeight(picture));
    if (width < 1 || height < 1 || width > imageWidth || height > imageHeight || (width == imageWidth && height == imageHeight))
        return nullptr;
    return paint.renditions->renditionOf(picture, static_cast<size_t>(width), static_cast<size_t>(height));
}

}

namespace ControlPainter {

void paintImage(const PaintContext& paint, const UIImageView& view, double secondsPlayed)
{
    auto shown = view.imageToDraw(secondsPlayed);
    if (!shown)
        return;
    CGImageRef picture = shown->CGImage();
    if (CGImageRef rendition = scaledRendition(paint, picture, view.bounds()))
        picture = rendition;
    CGContextDrawImage(paint.context, view.bounds(), picture);
}

void paintLabel(const PaintContext& paint, const UILabel& label)
{
    TextRenderer::drawText(paint.context, label.text(), label.bounds(), TextStyle::of(label), paint.pixelScale);
}

void paintButton(const PaintContext& paint, const UIButton& button)
{
    auto label = button.titleLabel();
    TextStyle style = TextStyle::of(*label);
    if (!button.isEnabled())
        style.color = withAlpha(*style.color, 0.35);
    else if (button.isHighlighted() && button.buttonType() == UIButtonTypeSystem)
        style.color = withAlpha(*style.color, highlightedAlpha);
    TextRenderer::drawText(paint.context, label->text(), button.bounds(), style, paint.pixelScale);
}

void paintSwitch(const PaintContext& paint, const UISwitch& control)
{
    CGRect bounds = control.bounds();
    auto onColour = control.onTintColor() ? control.onTintColor() : UIColor::colorWithRed(0.2, 0.78, 0.35, 1);
    auto track = control.isOn() ? onColour : UIColor::colorWithRed(0.47, 0.47, 0.5, 0.32);
    Drawing::fillRoundedRect(paint.context, bounds, bounds.size.height / 2, *track);
    CGFloat diameter = std::max(0.0, bounds.size.height - 2 * switchKnobInset);
    CGFloat left = control.isOn() ? CGRectGetMaxX(bounds) - switchKnobInset - diameter : bounds.origin.x + switchKnobInset;
    Drawing::setFillColor(paint.context, *UIColor::whiteColor());
    CGContextFillEllipseInRect(paint.context, CGRectMake(left, bounds.origin.y + switchKnobInset, diameter, diameter));
}

void paintNavigationBar(const PaintContext& paint, const UINavigationBar& bar)
{
    CGRect bounds = bar.bounds();
    auto background = bar.barTintColor() ? bar.barTintColor() : UIColor::colorWithRed(0.97, 0.97, 0.97, 1);
    Drawing::setFillColor(paint.context, *withAlpha(*background, bar.isTranslucent() ? translucentBarAlpha : 1));
    CGContextFillRect(paint.context, bounds);
    Drawing::fillHairline(paint.context, { bounds.origin.x, CGRectGetMaxY(bounds) }, bounds.size.width, paint.pixelScale,
        *UIColor::colorWithWhite(0, 0.3));

    bool isDark = Drawing::isDark(*background);
    TextStyle title { UIFont::boldSystemFontOfSize(barTitleSize), isDark ? UIColor::whiteColor() : UIColor::blackColor(),
        NSTextAlignmentCenter, 1, false, 0 };
    CGRect titleRect = CGRectMake(bounds.origin.x + barTitleSideRoom, bounds.origin.y,
        std::max(0.0, bounds.size.width - 2 * barTitleSideRoom), bounds.size.height);
    TextRenderer::drawText(paint.context, bar.displayedTitle(), titleRect, title, paint.pixelScale);
    if (bar.backItem())
        paintBackButton(paint, bar, bounds);
}

}

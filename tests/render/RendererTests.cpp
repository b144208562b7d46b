#include "RenderTestSupport.hpp"

#include <render/Renderer.hpp>

#include <uikit/CALayer.hpp>
#include <uikit/UIGraphics.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UIScreen.hpp>

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;

namespace {

const Pixel red { 220, 30, 40, 255 };
const Pixel blue { 20, 40, 230, 255 };
const Pixel green { 30, 200, 60, 255 };

std::shared_ptr<UIColor> colour(const Pixel& pixel)
{
    return UIColor::colorWithRed(pixel.red / 255.0, pixel.green / 255.0, pixel.blue / 255.0, pixel.alpha / 255.0);
}

std::shared_ptr<UIView> solidView(CGRect frame, const Pixel& pixel)
{
    auto view = UIView::initWithFrame(frame);
    view->setBackgroundColor(colour(pixel));
    return view;
}

// The overlay as the tweak builds it: a container centred on the screen, an image view filling it.
std::shared_ptr<UIImageView> addPicture(UIView& window, CGSize size, const Pixel& pixel)
{
    CGRect screen = window.bounds();
    auto container = UIView::initWithFrame(CGRectMake(0, 0, size.width, size.height));
    container->setCenter(CGPointMake(screen.size.width / 2, screen.size.height / 2));
    container->setBackgroundColor(UIColor::clearColor());
    auto imageView = UIImageView::initWithFrame(container->bounds());
    imageView->setImage(solidImage(50, 50, pixel));
    container->addSubview(imageView);
    window.addSubview(container);
    return imageView;
}

Pixel blend(const Pixel& over, const Pixel& under, double alpha)
{
    auto mix = [alpha](int a, int b) { return static_cast<int>(std::lround(a * alpha + b * (1 - alpha))); };
    return { mix(over.red, under.red), mix(over.green, under.green), mix(over.blue, under.blue), 255 };
}

class DrawingView final : public UIView {
public:
    using UIView::UIView;
    void drawRect(CGRect) override
    {
        CGContextRef context = UIGraphicsGetCurrentContext();
        sawContext = context != nullptr;
        // Left unbalanced on purpose: a careless view must not spoil what is drawn after it.
        CGContextSaveGState(context);
        CGContextSetAlpha(context, 0.1);
        CGContextSetRGBFillColor(context, 0, 1, 0, 1);
        CGContextSetAlpha(context, 1);
        CGContextFillRect(context, CGRectMake(-100, -100, 1000, 1000));
        CGContextSaveGState(context);
        CGContextSetAlpha(context, 0.1);
    }
    bool sawContext { false };
};
const Class s_drawingViewClass = objc::registerClass<DrawingView>("RenderTestDrawingView", "UIView");

}

// A 500-point picture on a 390-point screen loses its sides or shows the backdrop at the edges.
TEST(RendererGeometry, PictureWiderThanTheScreenReachesBothEdgesAtScreenScale)
{
    auto window = backdropWindow();
    addPicture(*window, CGSizeMake(500, 500), red);
    auto pixels = Render::renderView(*window, 0.0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->width, 1170u);
    EXPECT_EQ(pixels->height, 2532u);
    // The square spans y 172...672 points: 516...2016 pixels.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 0, 1266), red)) << pixelAt(*pixels, 0, 1266);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 1169, 1266), red)) << pixelAt(*pixels, 1169, 1266);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, 517), red)) << pixelAt(*pixels, 585, 517);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, 2014), red)) << pixelAt(*pixels, 585, 2014);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, 513), backdrop)) << pixelAt(*pixels, 585, 513);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, 2019), backdrop)) << pixelAt(*pixels, 585, 2019);
}

// The screen's scale is ignored, or a non-default scale or bad size gives a wrong or huge picture.
TEST(RendererGeometry, PictureSizeFollowsScaleAndRefusesUnusableSizes)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 50));
    auto atOne = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(atOne);
    EXPECT_EQ(atOne->width, 100u);
    EXPECT_EQ(atOne->height, 50u);
    EXPECT_FALSE(Render::renderView(*UIView::initWithFrame(CGRectMake(0, 0, 0, 50))));
    EXPECT_FALSE(Render::renderView(*UIView::initWithFrame(CGRectMake(0, 0, 1e6, 1e6))));
    EXPECT_FALSE(Render::renderView(*window, Render::RenderOptions { 0.0, -2.0, false }));
}

// A bounds origin or nested frames are applied in the wrong direction.
TEST(RendererGeometry, SubviewsSitAtTheirFramesInsideShiftedBounds)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto parent = solidView(CGRectMake(10, 10, 80, 80), blue);
    parent->setBounds(CGRectMake(20, 0, 80, 80));
    parent->addSubview(solidView(CGRectMake(20, 0, 10, 10), red));
    window->addSubview(parent);
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    // The child's origin is the parent's bounds origin, so it sits at the parent's top-left corner.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 12, 12), red)) << pixelAt(*pixels, 12, 12);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 25, 12), blue)) << pixelAt(*pixels, 25, 12);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 5, 5), backdrop));
}

// Half opacity is drawn at full strength, or darkened instead of blended with the backdrop.
TEST(RendererCompositing, HalfOpacityBlendsThePictureHalfAndHalfWithTheBackdrop)
{
    auto window = backdropWindow();
    auto imageView = addPicture(*window, CGSizeMake(390, 844), red);
    imageView->setAlpha(0.5);
    auto pixels = Render::renderView(*window, 0.0);
    ASSERT_TRUE(pixels);
    Pixel expected = blend(red, backdrop, 0.5);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 600, 1200), expected, 2)) << pixelAt(*pixels, 600, 1200) << " vs " << expected;
}

// Each subview of a translucent view fades on its own, so overlapping parts show through each other.
TEST(RendererCompositing, TranslucentViewFadesWithItsSubviewsAsOneGroup)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto group = UIView::initWithFrame(window->bounds());
    group->addSubview(solidView(CGRectMake(0, 0, 60, 100), red));
    group->addSubview(solidView(CGRectMake(40, 0, 60, 100), blue));
    group->setAlpha(0.5);
    window->addSubview(group);
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    // Where both overlap only the front one may show, half strength over the backdrop.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 50, 50), blend(blue, backdrop, 0.5), 2)) << pixelAt(*pixels, 50, 50);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 50), blend(red, backdrop, 0.5), 2)) << pixelAt(*pixels, 10, 50);
}

// Output stays premultiplied, so translucent pixels come out darkened.
TEST(RendererCompositing, TranslucentPixelsOnATransparentPictureKeepTheirColour)
{
    auto root = solidView(CGRectMake(0, 0, 10, 10), Pixel { 200, 100, 50, 128 });
    auto pixels = Render::renderView(*root, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 5, 5), Pixel { 200, 100, 50, 128 }, 2)) << pixelAt(*pixels, 5, 5);
    auto opaque = Render::renderView(*UIView::initWithFrame(CGRectMake(0, 0, 10, 10)), Render::RenderOptions { 0.0, 1.0, true });
    ASSERT_TRUE(opaque);
    EXPECT_EQ(pixelAt(*opaque, 5, 5), (Pixel { 0, 0, 0, 255 }));
}

// Hidden views (or the subviews of a hidden view) still draw.
TEST(RendererVisibility, HiddenViewsAndTheirSubviewsAreLeftOut)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto hiddenParent = solidView(CGRectMake(0, 0, 50, 100), red);
    hiddenParent->addSubview(solidView(CGRectMake(10, 10, 20, 20), blue));
    hiddenParent->setHidden(true);
    auto hiddenLeaf = solidView(CGRectMake(50, 0, 50, 100), green);
    hiddenLeaf->setHidden(true);
    window->addSubview(hiddenParent);
    window->addSubview(hiddenLeaf);
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    EXPECT_EQ(countNear(*pixels, backdrop, 0, 0, 100, 100), 100u * 100u);
}

// Siblings are drawn in subview order regardless of z position, or equal positions are reordered.
TEST(RendererOrder, SiblingsDrawInZPositionOrderAndKeepSubviewOrderWhenEqual)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto raised = solidView(CGRectMake(0, 0, 60, 50), red);
    raised->layer()->setZPosition(1);
    window->addSubview(raised);
    window->addSubview(solidView(CGRectMake(40, 0, 60, 50), blue));
    // Three at the same height: the last added is in front.
    window->addSubview(solidView(CGRectMake(0, 50, 60, 50), green));
    window->addSubview(solidView(CGRectMake(20, 50, 60, 50), blue));
    window->addSubview(solidView(CGRectMake(40, 50, 60, 50), red));
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 50, 25), red)) << pixelAt(*pixels, 50, 25);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 50, 75), red)) << pixelAt(*pixels, 50, 75);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 30, 75), blue)) << pixelAt(*pixels, 30, 75);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 75), green)) << pixelAt(*pixels, 10, 75);
}

// Corner radius is ignored, or clipping cuts square corners, or clips views that didn't ask for it.
TEST(RendererClipping, CornerRadiusRoundsTheBackgroundAndClipsSubviewsWhenMasking)
{
    auto window = backdropWindow(CGRectMake(0, 0, 200, 100));
    auto clipping = solidView(CGRectMake(0, 0, 100, 100), blue);
    clipping->layer()->setCornerRadius(30);
    clipping->setClipsToBounds(true);
    clipping->addSubview(solidView(CGRectMake(-20, -20, 60, 60), red));
    auto open = solidView(CGRectMake(120, 20, 60, 60), blue);
    open->layer()->setCornerRadius(30);
    open->addSubview(solidView(CGRectMake(50, -20, 20, 20), red));
    window->addSubview(clipping);
    window->addSubview(open);
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 2, 2), backdrop)) << pixelAt(*pixels, 2, 2);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 30, 30), red)) << pixelAt(*pixels, 30, 30);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 97, 97), backdrop)) << pixelAt(*pixels, 97, 97);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 50, 50), blue));
    // Without masking the corner is round but the subview reaches outside.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 122, 22), backdrop)) << pixelAt(*pixels, 122, 22);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 175, 5), red)) << pixelAt(*pixels, 175, 5);
}

// Animated images always show their first entry, or ignore the time they were set.
TEST(RendererImages, AnimatedImageShowsTheEntryForTheTimeItHasPlayed)
{
    auto window = backdropWindow(CGRectMake(0, 0, 20, 20));
    auto imageView = UIImageView::initWithFrame(window->bounds());
    imageView->setImage(animatedImage({ red, green, blue }, 3));
    window->addSubview(imageView);
    Render::RenderOptions options { 1.5, 1.0, false };
    auto pixels = Render::renderView(*window, options);
    ASSERT_TRUE(pixels);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 10), green)) << pixelAt(*pixels, 10, 10);
    options.atTime = 8.2;
    EXPECT_TRUE(isNear(pixelAt(*Render::renderView(*window, options), 10, 10), blue));
    // Without a time, a picture set just now is at its start.
    options.atTime.reset();
    EXPECT_TRUE(isNear(pixelAt(*Render::renderView(*window, options), 10, 10), red));
}

// Images are drawn at their pixel size, or their halves land in the wrong place when stretched.
TEST(RendererImages, ImageIsStretchedToFillTheViewBothWays)
{
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = 2;
    pixels->height = 1;
    pixels->bytes = { 220, 30, 40, 255, 20, 40, 230, 255 };
    CGImageRef image = CGImageCreateWithPixels(pixels);
    auto imageView = UIImageView::initWithFrame(CGRectMake(0, 0, 100, 40));
    imageView->setImage(UIImage::imageWithCGImage(image));
    CGImageRelease(image);
    auto picture = Render::renderView(*imageView, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(picture);
    EXPECT_TRUE(isNear(pixelAt(*picture, 2, 1), red)) << pixelAt(*picture, 2, 1);
    EXPECT_TRUE(isNear(pixelAt(*picture, 10, 38), red)) << pixelAt(*picture, 10, 38);
    EXPECT_TRUE(isNear(pixelAt(*picture, 97, 20), blue)) << pixelAt(*picture, 97, 20);
}

// drawRect gets no context, draws outside its view, or leaves its state to the views after it.
TEST(RendererDrawRect, CustomViewsDrawIntoTheCurrentContextWithinTheirBounds)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto drawing = std::make_shared<DrawingView>(CGRectMake(20, 20, 30, 30));
    window->addSubview(drawing);
    window->addSubview(solidView(CGRectMake(60, 60, 20, 20), red));
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    auto pixels = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, false });
    ASSERT_TRUE(pixels);
    EXPECT_TRUE(drawing->sawContext);
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 35, 35), Pixel { 0, 255, 0, 255 })) << pixelAt(*pixels, 35, 35);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 10), backdrop)) << pixelAt(*pixels, 10, 10);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 70, 70), red)) << pixelAt(*pixels, 70, 70);
}

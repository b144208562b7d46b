// The assistant's screen as the host draws it: the picture behind, the flames in front.
#include "RenderTestSupport.hpp"

#include <FlamesWaveformView.hpp>
#include <SUICFlamesView.hpp>

#include <render/Renderer.hpp>

#include <uikit/UIImageView.hpp>

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;

namespace {

const Pixel picture { 150, 60, 40, 255 };

struct AssistantScreen {
    std::shared_ptr<UIView> window = backdropWindow();
    std::shared_ptr<SUICFlamesView> flames;

    AssistantScreen()
    {
        SUICFlamesView::registerClass();
        flames = SUICFlamesView::initWithFrame(window->bounds());
        window->addSubview(flames);
        // As the overlay places it: behind the flames' own subview.
        auto container = UIView::initWithFrame(window->bounds());
        auto imageView = UIImageView::initWithFrame(container->bounds());
        imageView->setImage(solidImage(8, 8, picture));
        container->addSubview(imageView);
        flames->addSubview(container);
        flames->sendSubviewToBack(container);
    }
};

size_t differingPixels(const RGBAPixels& a, const RGBAPixels& b, size_t top, size_t bottom)
{
    size_t count = 0;
    for (size_t y = top; y < bottom; ++y) {
        for (size_t x = 0; x < a.width; ++x)
            count += isNear(pixelAt(a, x, y), pixelAt(b, x, y), 2) ? 0 : 1;
    }
    return count;
}

}

// The flames are drawn behind the picture, not at all, or over the whole screen.
TEST(FlamesRendering, FlamesShowInFrontOfThePictureInTheLowerThirdOnly)
{
    AssistantScreen screen;
    Render::RenderOptions options { 0.0, 1.0, false };
    auto withFlames = Render::renderView(*screen.window, options);
    screen.flames->flames()->setHidden(true);
    auto pictureAlone = Render::renderView(*screen.window, options);
    ASSERT_TRUE(withFlames && pictureAlone);
    auto baseline = static_cast<size_t>(844 * FlamesWaveformView::baselineShare);
    EXPECT_FALSE(isNear(pixelAt(*withFlames, 195, baseline), pixelAt(*pictureAlone, 195, baseline), 10))
        << pixelAt(*withFlames, 195, baseline);
    EXPECT_TRUE(isNear(pixelAt(*pictureAlone, 195, baseline), picture));
    EXPECT_EQ(differingPixels(*withFlames, *pictureAlone, 0, 844 * 2 / 3 - 40), 0u);
    EXPECT_GT(differingPixels(*withFlames, *pictureAlone, 844 * 2 / 3, 844), 390u * 20);
}

// The flames stand still, or their colours clip to one flat hue.
TEST(FlamesRendering, WaveformMovesWithTimeAndGlowsInSeveralColours)
{
    auto draw = [](double seconds) {
        CGContextRef context = CGBitmapContextCreate(390, 844);
        FlamesWaveformView::drawWaveform(context, CGRectMake(0, 0, 390, 844), seconds);
        auto pixels = CGBitmapContextCopyPixels(context);
        CGContextRelease(context);
        return pixels;
    };
    auto early = draw(0.5);
    auto late = draw(1.7);
    ASSERT_TRUE(early && late);
    EXPECT_GT(differingPixels(*early, *late, 600, 780), 1000u);
    EXPECT_EQ(differingPixels(*early, *late, 0, 500), 0u);
    // Somewhere the ribbons lean to magenta, somewhere to cyan.
    size_t magenta = 0;
    size_t cyan = 0;
    for (size_t y = 560; y < 800; ++y) {
        for (size_t x = 0; x < 390; ++x) {
            Pixel p = pixelAt(*early, x, y);
            magenta += p.alpha > 60 && p.red > p.green + 40 ? 1 : 0;
            cyan += p.alpha > 60 && p.green > p.red + 40 ? 1 : 0;
        }
    }
    EXPECT_GT(magenta, 100u);
    EXPECT_GT(cyan, 100u);
}

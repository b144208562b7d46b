#include <render/Renderer.hpp>

#include <render/ViewPainter.hpp>

#include <coregraphics/CGContext.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UIView.hpp>

#include <cmath>
#include <cstdio>
#include <exception>

namespace Render {

namespace {

struct ContextReleaser {
    void operator()(CGContext* context) const { CGContextRelease(context); }
};

std::optional<size_t> pixelLength(CGFloat points, CGFloat scale)
{
    double pixels = std::round(points * scale);
    if (!std::isfinite(pixels) || pixels < 1 || pixels > static_cast<double>(CGContext::maximumSide))
        return std::nullopt;
    return static_cast<size_t>(pixels);
}

std::shared_ptr<RGBAPixels> draw(const UIView& root, const RenderOptions& options)
{
    CGFloat scale = options.scale.value_or(UIScreen::mainScreen()->scale());
    if (!std::isfinite(scale) || scale <= 0)
        return nullptr;
    CGSize size = root.bounds().size;
    auto width = pixelLength(size.width, scale);
    auto height = pixelLength(size.height, scale);
    if (!width || !height)
        return nullptr;
    std::unique_ptr<CGContext, ContextReleaser> context(CGBitmapContextCreate(*width, *height));
    if (!context)
        return nullptr;
    if (options.isOpaque) {
        CGContextSetRGBFillColor(context.get(), 0, 0, 0, 1);
        CGContextFillRect(context.get(), CGRectMake(0, 0, static_cast<CGFloat>(*width), static_cast<CGFloat>(*height)));
    }
    // Pixel sizes are rounded, so each axis gets its own scale: the root fills the picture exactly.
    CGContextScaleCTM(context.get(), static_cast<CGFloat>(*width) / size.width, static_cast<CGFloat>(*height) / size.height);
    CGContextTranslateCTM(context.get(), -root.bounds().origin.x, -root.bounds().origin.y);
    ViewPainter(PaintContext { context.get(), scale, options.renditions }, options.atTime).paint(root);
    return CGBitmapContextCopyPixels(context.get());
}

}

std::shared_ptr<RGBAPixels> renderView(const UIView& root, std::optional<double> atTime)
{
    return renderView(root, RenderOptions { atTime, std::nullopt, false });
}

std::shared_ptr<RGBAPixels> renderView(const UIView& root, const RenderOptions& options)
{
    // A picture is never worth the host: allocation failures and surprises end here.
    try {
        return draw(root, options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "render: drawing failed\n");
    }
    return nullptr;
}

}

#include "RenderTestSupport.hpp"

#include <uikit/UIWindow.hpp>

#include <cmath>
#include <cstdlib>

namespace rendertest {

std::ostream& operator<<(std::ostream& out, const Pixel& pixel)
{
    return out << "(" << pixel.red << ", " << pixel.green << ", " << pixel.blue << ", " << pixel.alpha << ")";
}

Pixel pixelAt(const RGBAPixels& pixels, size_t x, size_t y)
{
    if (x >= pixels.width || y >= pixels.height)
        return { -1, -1, -1, -1 };
    const uint8_t* p = pixels.bytes.data() + (y * pixels.width + x) * 4;
    return { p[0], p[1], p[2], p[3] };
}

Pixel pixelOf(const UIColor& color)
{
    auto channel = [](double value) { return static_cast<int>(std::lround(value * 255)); };
    return { channel(color.red()), channel(color.green()), channel(color.blue()), channel(color.alpha()) };
}

bool isNear(const Pixel& a, const Pixel& b, int tolerance)
{
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance && std::abs(a.blue - b.blue) <= tolerance
        && std::abs(a.alpha - b.alpha) <= tolerance;
}

size_t countNear(const RGBAPixels& pixels, const Pixel& colour, size_t x, size_t y, size_t width, size_t height, int tolerance)
{
    size_t count = 0;
    for (size_t row = y; row < y + height && row < pixels.height; ++row) {
        for (size_t column = x; column < x + width && column < pixels.width; ++column)
            count += isNear(pixelAt(pixels, column, row), colour, tolerance) ? 1 : 0;
    }
    return count;
}

std::shared_ptr<UIImage> solidImage(size_t width, size_t height, Pixel colour)
{
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = width;
    pixels->height = height;
    for (size_t i = 0; i < width * height; ++i) {
        pixels->bytes.insert(pixels->bytes.end(), { static_cast<uint8_t>(colour.red), static_cast<uint8_t>(colour.green),
            static_cast<uint8_t>(colour.blue), static_cast<uint8_t>(colour.alpha) });
    }
    CGImageRef image = CGImageCreateWithPixels(pixels);
    auto result = UIImage::imageWithCGImage(image);
    CGImageRelease(image);
    return result;
}

std::shared_ptr<UIImage> animatedImage(const std::vector<Pixel>& colours, double duration)
{
    UIImage::Images entries;
    for (const Pixel& colour : colours)
        entries.push_back(solidImage(4, 4, colour));
    return UIImage::animatedImageWithImages(entries, duration);
}

std::shared_ptr<UIView> backdropWindow(CGRect bounds)
{
    auto window = UIWindow::initWithFrame(bounds);
    window->setBackgroundColor(UIColor::colorWithRed(5 / 255.0, 5 / 255.0, 10 / 255.0, 1));
    return window;
}

}

// fontconfig keeps its caches until the process ends, and a leak checker takes them for lost.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

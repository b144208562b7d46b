// Hostile bytes decoded as the overlay decodes the user's picture, then drawn as the screen draws an
// image view: into a view whose size, scale and moment of the animation come from the input's last
// bytes, so that scaling up, down and to odd sizes, and every point of a loop, all get drawn. The
// whole input is still the picture, so the shared seeds work unchanged.
#include <tweak/gif/UIImage+animatedGIF.hpp>

#include <render/Renderer.hpp>
#include <uikit/UIImageView.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const uint8_t* tail = data + size - 4;
    // Small views keep each run fast; the sizes still cover shrinking and enlarging the canvas.
    CGFloat width = 1 + tail[0] % 64;
    CGFloat height = 1 + tail[1] % 64;
    CGFloat scale = 1 + tail[2] % 3;
    double atTime = tail[3] * 0.05;

    auto bytes = NSData::dataWithBytes({ data, size });
    auto image = animatedGIF::animatedImageWithAnimatedGIFData(bytes.get());
    auto view = UIImageView::initWithFrame(CGRectMake(0, 0, width, height));
    view->setImage(image);
    auto pixels = Render::renderView(*view, Render::RenderOptions { atTime, scale, false });
    if (!pixels)
        return 0;
    if (pixels->bytes.size() != pixels->width * pixels->height * 4)
        std::abort();
    return 0;
}

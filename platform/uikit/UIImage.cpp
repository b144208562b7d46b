#include <uikit/UIImage.hpp>

#include <algorithm>
#include <cmath>

static const Class s_class = objc::registerClass<UIImage>("UIImage", "NSObject");

namespace {

UIImage::Images withoutNulls(UIImage::Images images)
{
    std::erase(images, nullptr);
    return images;
}

}

UIImage::UIImage(CGImageRef image)
    : m_cgImage(CGImageRetain(image))
    , m_size { static_cast<CGFloat>(CGImageGetWidth(image)), static_cast<CGFloat>(CGImageGetHeight(image)) }
{
}

UIImage::UIImage(Images images, double duration)
    : m_images(withoutNulls(std::move(images)))
    , m_duration(duration)
{
    if (m_images.empty())
        return;
    const UIImage& first = *m_images.front();
    m_cgImage = CGImageRetain(first.m_cgImage);
    m_size = first.m_size;
    m_scale = first.m_scale;
}

UIImage::~UIImage()
{
    CGImageRelease(m_cgImage);
}

std::shared_ptr<UIImage> UIImage::imageWithCGImage(CGImageRef image)
{
    if (!image)
        return nullptr;
    return std::make_shared<UIImage>(image);
}

std::shared_ptr<UIImage> UIImage::animatedImageWithImages(Images images, double duration)
{
    auto animated = std::make_shared<UIImage>(std::move(images), duration);
    if (!animated->isAnimated())
        return nullptr;
    return animated;
}

std::shared_ptr<UIImage> UIImage::imageAtTime(double seconds) const
{
    if (m_images.empty())
        return std::const_pointer_cast<UIImage>(std::static_pointer_cast<const UIImage>(weak_from_this().lock()));
    return m_images[entryIndexAtTime(seconds)];
}

size_t UIImage::entryIndexAtTime(double seconds) const
{
    if (m_images.empty())
        return 0;
    auto count = static_cast<double>(m_images.size());
    // Worked in floating point all the way: t / (d / L) may be far beyond any integer type.
    double position = seconds / (m_duration / count);
    if (!std::isfinite(position) || position < 0)
        return 0;
    size_t index = static_cast<size_t>(std::floor(std::fmod(position, count)));
    return std::min(index, m_images.size() - 1);
}

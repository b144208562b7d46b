// Images: a still image over a CGImage, or an animated image whose entries share one duration
// equally and loop. No decoding of files, no resizing, no orientation; scale is 1 for images
// made from a CGImage.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <coregraphics/CGImage.hpp>
#include <objc/NSObject.hpp>

#include <memory>
#include <vector>

class UIImage final : public NSObject {
public:
    using Images = std::vector<std::shared_ptr<UIImage>>;

    // Retains the CGImage until the image dies.
    explicit UIImage(CGImageRef);
    // Null entries are left out; use animatedImageWithImages, which gives nil when none remain.
    UIImage(Images, double duration);
    ~UIImage() override;

    // Nil for a null CGImage.
    static std::shared_ptr<UIImage> imageWithCGImage(CGImageRef);
    // Nil for a list without images, as the platform gives.
    static std::shared_ptr<UIImage> animatedImageWithImages(Images, double duration);

    // Borrowed; for an animated image, the first entry's.
    CGImageRef CGImage() const { return m_cgImage; }
    // In points (pixels / scale); for an animated image, the first entry's.
    CGSize size() const { return m_size; }
    CGFloat scale() const { return m_scale; }
    // Empty for a still image.
    const Images& images() const { return m_images; }
    // In seconds, as given; 0 for a still image.
    double duration() const { return m_duration; }
    bool isAnimated() const { return !m_images.empty(); }

    // The entry shown t seconds after the image started playing: entry floor(t / (duration / L))
    // mod L. The first entry when the time or the duration gives no usable position; the image
    // itself when it is still.
    std::shared_ptr<UIImage> imageAtTime(double seconds) const;
    // The index of that entry; 0 for a still image.
    size_t entryIndexAtTime(double seconds) const;

private:
    CGImageRef m_cgImage { nullptr };
    CGSize m_size;
    CGFloat m_scale { 1 };
    Images m_images;
    double m_duration { 0 };
};

#include "UIImage+animatedGIF.hpp"

#include "GIFFrameTiming.hpp"

#include <imageio/CGImageSource.hpp>

#include <limits>
#include <vector>

namespace animatedGIF {

namespace {

struct FrameList {
    std::vector<std::shared_ptr<UIImage>> images;
    bool isTooLong { false };
};

FrameList buildFrameList(size_t count, const std::vector<CGImageRef>& handles, const std::vector<int32_t>& delays, int32_t total)
{
    int32_t divisor = commonDivisor(delays);
    int32_t length = divisor == 0 ? 0 : total / divisor;
    if (length > maximumFrameListLength)
        return { {}, true };

    FrameList list;
    list.images.reserve(static_cast<size_t>(length));
    for (size_t i = 0; i < count; ++i) {
        auto image = UIImage::imageWithCGImage(handles[i]);
        int32_t repeats = divisor == 0 ? 0 : delays[i] / divisor;
        list.images.insert(list.images.end(), static_cast<size_t>(repeats), image);
    }
    return list;
}

// The frame handles of one decoding, released in index order when the decoding ends, however it ends.
class FrameHandles {
public:
    FrameHandles() = default;
    FrameHandles(const FrameHandles&) = delete;
    FrameHandles& operator=(const FrameHandles&) = delete;
    ~FrameHandles()
    {
        for (CGImageRef handle : m_handles)
            CGImageRelease(handle);
    }

    void reserve(size_t count) { m_handles.reserve(count); }
    void append(CGImageRef handle) { m_handles.push_back(handle); }
    const std::vector<CGImageRef>& handles() const { return m_handles; }

private:
    std::vector<CGImageRef> m_handles;
};

std::shared_ptr<UIImage> decodeImageSource(CGImageSourceRef source)
{
    size_t count = CGImageSourceGetCount(source);
    FrameHandles frames;
    std::vector<int32_t> delays;
    frames.reserve(count);
    delays.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        CGImageRef handle = CGImageSourceCreateImageAtIndex(source, i, nullptr);
        int32_t delay = frameDelay(source, i);
        // A frame the source can't give is left out with its delay: the list holds no empty entry.
        if (!handle)
            continue;
        frames.append(handle);
        delays.push_back(delay);
    }

    int64_t total = 0;
    for (int32_t delay : delays)
        total += delay;
    if (total > std::numeric_limits<int32_t>::max())
        return nullptr;

    auto frameList = buildFrameList(delays.size(), frames.handles(), delays, static_cast<int32_t>(total));
    if (frameList.isTooLong)
        return nullptr;
    return UIImage::animatedImageWithImages(std::move(frameList.images), static_cast<double>(total) / 100.0);
}

std::shared_ptr<UIImage> imageFromOwnedSource(CGImageSourceRef source)
{
    if (!source)
        return nullptr;
    std::shared_ptr<UIImage> image;
    try {
        image = decodeImageSource(source);
    } catch (...) {
        // Out of memory while decoding: no picture, and the host goes on.
        image = nullptr;
    }
    CFRelease(source);
    return image;
}

}

std::shared_ptr<UIImage> animatedImageWithAnimatedGIFData(const NSData* data)
{
    return imageFromOwnedSource(CGImageSourceCreateWithData(data, nullptr));
}

std::shared_ptr<UIImage> animatedImageWithAnimatedGIFURL(const NSURL* url)
{
    return imageFromOwnedSource(CGImageSourceCreateWithURL(url, nullptr));
}

namespace testing {

std::shared_ptr<UIImage> imageFromOwnedSource(CGImageSourceRef source)
{
    return animatedGIF::imageFromOwnedSource(source);
}

}

}

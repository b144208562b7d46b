// The frames of the pictures on screen, scaled once to the pixels they cover, for a host that draws
// the same frames of a looping animation again and again (the live phone's stream). Scaling
// averages the pixels each output pixel covers. Held up to a budget of bytes; beyond it, only the
// two latest frames are kept, and the frames of a picture no one holds any more go first.
#pragma once

#include <render/ImageRenditions.hpp>

#include <cstdint>
#include <memory>
#include <deque>
#include <vector>

namespace sim {

// The whole picture in width x height pixels, each the average of the pixels it covers (weighted
// by coverage and by alpha). Null when either size is empty or the picture has no pixels.
std::shared_ptr<RGBAPixels> scalePixels(const RGBAPixels&, size_t width, size_t height);

class ScaledPictureCache final : public Render::ImageRenditions {
public:
    explicit ScaledPictureCache(size_t budgetBytes);
    ~ScaledPictureCache() override;
    ScaledPictureCache(const ScaledPictureCache&) = delete;
    ScaledPictureCache& operator=(const ScaledPictureCache&) = delete;

    CGImageRef renditionOf(CGImageRef, size_t width, size_t height) override;

    size_t bytesHeld() const { return m_bytesHeld; }
    size_t count() const { return m_entries.size(); }

private:
    struct Entry {
        CGImageRef source;
        CGImageRef scaled;
        size_t width;
        size_t height;
        size_t bytes;
    };

    void dropOrphans();
    void release(Entry&);

    size_t m_budgetBytes;
    size_t m_bytesHeld { 0 };
    std::vector<Entry> m_entries;
    // The latest renditions that didn't fit the budget, beside it: the frame on screen, drawn again
    // until it changes, and the next one, prepared ahead.
    static constexpr size_t recentCount = 2;
    std::deque<Entry> m_recent;
};

}

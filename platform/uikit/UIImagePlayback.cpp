#include <uikit/UIImage.hpp>
#include <uikit/UIImagePlayback.hpp>

#include <algorithm>
#include <cmath>

namespace {

// Frames that say nothing of their cost (pixels already in memory) are free to draw.
double pixelsToMake(CGImageRef drawn, CGImageRef next)
{
    const auto* sequence = next ? next->frameSequence() : nullptr;
    if (!sequence)
        return 0;
    std::optional<size_t> from;
    if (drawn && drawn->frameSequence() == sequence)
        from = drawn->frameIndex();
    return static_cast<double>(sequence->pixelsToMake(from, next->frameIndex()));
}

}

std::shared_ptr<UIImage> UIImagePlayback::imageToDraw(const UIImage& image, double secondsPlayed)
{
    if (!image.isAnimated())
        return image.imageAtTime(secondsPlayed);
    addCredit(secondsPlayed);
    const auto& entries = image.images();
    size_t count = entries.size();
    size_t target = image.entryIndexAtTime(secondsPlayed);
    CGImageRef drawn = m_drawnEntry ? entries[*m_drawnEntry]->CGImage() : nullptr;
    CGImageRef unaffordable = nullptr;
    // Back from the instant's entry towards the one drawn last: the first frame within the credit
    // is the newest the screen can show.
    for (size_t step = 0; step < count; ++step) {
        size_t entry = (target + count - step) % count;
        if (entry == m_drawnEntry)
            break;
        CGImageRef candidate = entries[entry]->CGImage();
        // A frame held for several entries costs the same in each.
        if (candidate == unaffordable)
            continue;
        double cost = pixelsToMake(drawn, candidate);
        if (cost <= m_credit) {
            m_credit -= cost;
            m_drawnEntry = entry;
            return entries[entry];
        }
        unaffordable = candidate;
    }
    return m_drawnEntry ? entries[*m_drawnEntry] : nullptr;
}

void UIImagePlayback::addCredit(double secondsPlayed)
{
    // A time that isn't one would leave the playback no time to count from.
    if (!std::isfinite(secondsPlayed))
        return;
    double elapsed = secondsPlayed - m_secondsPlayed;
    m_secondsPlayed = secondsPlayed;
    // Time given backwards, or no usable time at all, brings no credit.
    if (elapsed > 0)
        m_credit = std::min(pixelsPerDraw, m_credit + elapsed * pixelsPerSecond);
}

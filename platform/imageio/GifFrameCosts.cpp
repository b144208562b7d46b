#include <imageio/GifAnimationDecoder.hpp>
#include <imageio/GifCompositor.hpp>
#include <imageio/GifFrameCosts.hpp>

GifFrameCosts::GifFrameCosts(std::shared_ptr<GifAnimationDecoder> decoder)
    : m_decoder(std::move(decoder))
{
}

void GifFrameCosts::sumPixels() const
{
    const auto& structure = m_decoder->structure();
    m_pixelsBefore.reserve(structure.frames.size() + 1);
    uint64_t total = 0;
    m_pixelsBefore.push_back(total);
    for (const auto& frame : structure.frames) {
        if (!GifCompositor::visibleRect(structure, frame).isEmpty())
            total += uint64_t { frame.width } * frame.height;
        m_pixelsBefore.push_back(total);
    }
}

uint64_t GifFrameCosts::pixelsToMake(std::optional<size_t> from, size_t to) const
{
    std::call_once(m_summed, [this] { sumPixels(); });
    if (to + 1 >= m_pixelsBefore.size() || from == to)
        return 0;
    // Playing forward draws on from the last frame, unless a start lies between them.
    size_t start = m_decoder->startBefore(to);
    size_t first = from && *from < to && *from >= start ? *from + 1 : start;
    return m_pixelsBefore[to + 1] - m_pixelsBefore[first];
}

#include <imageio/GifAnimationDecoder.hpp>
#include <imageio/GifCompositor.hpp>
#include <imageio/PixelBuffer.hpp>

#include <new>

GifAnimationDecoder::GifAnimationDecoder(std::shared_ptr<const NSData> file, GifStructure structure)
    : m_file(std::move(file))
    , m_structure(std::move(structure))
{
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::canvasAfterFrame(size_t index)
{
    std::lock_guard guard(m_lock);
    try {
        return composeThrough(index);
    } catch (const std::bad_alloc&) {
        // Half-drawn state can't be trusted: the next request starts from the first frame.
        m_canvas = nullptr;
        return nullptr;
    }
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::composeThrough(size_t index)
{
    if (index >= m_structure.frames.size())
        return nullptr;
    if (m_canvas && m_drawnFrames == index + 1)
        return m_canvas;
    if (auto recent = recentCanvas(index))
        return recent;
    if ((!m_canvas || m_drawnFrames > index + 1) && !restart())
        return nullptr;
    while (m_drawnFrames <= index) {
        if (!makeCanvasWritable())
            return nullptr;
        drawNextFrame();
    }
    rememberCanvas(index);
    return m_canvas;
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::recentCanvas(size_t index) const
{
    for (const auto& recent : m_recent) {
        if (recent.index == index) {
            if (auto pixels = recent.pixels.lock())
                return pixels;
        }
    }
    return nullptr;
}

void GifAnimationDecoder::rememberCanvas(size_t index)
{
    m_recent[m_nextRecent] = { index, m_canvas };
    m_nextRecent = (m_nextRecent + 1) % m_recent.size();
}

void GifAnimationDecoder::forgetCanvas(const RGBAPixels* canvas)
{
    for (auto& recent : m_recent) {
        if (recent.pixels.lock().get() == canvas)
            recent.pixels.reset();
    }
}

bool GifAnimationDecoder::restart()
{
    m_canvas = PixelBuffer::create(m_structure.width, m_structure.height);
    m_drawnFrames = 0;
    m_savedRegion.clear();
    return m_canvas != nullptr;
}

// Copy on write: a canvas handed out must never change under its holder, but when nobody else
// holds it the next frame is drawn in place.
bool GifAnimationDecoder::makeCanvasWritable()
{
    if (m_canvas.use_count() == 1) {
        forgetCanvas(m_canvas.get());
        return true;
    }
    auto copy = PixelBuffer::copy(*m_canvas);
    if (!copy)
        return false;
    m_canvas = std::move(copy);
    return true;
}

void GifAnimationDecoder::drawNextFrame()
{
    auto& canvas = *m_canvas;
    if (m_drawnFrames > 0) {
        const auto& previous = m_structure.frames[m_drawnFrames - 1];
        auto rect = GifCompositor::visibleRect(m_structure, previous);
        if (previous.disposal == GifDisposal::RestoreBackground)
            GifCompositor::clearRect(canvas, rect);
        else if (previous.disposal == GifDisposal::RestorePrevious)
            GifCompositor::restoreRect(canvas, rect, m_savedRegion);
    }
    const auto& frame = m_structure.frames[m_drawnFrames];
    if (frame.disposal == GifDisposal::RestorePrevious)
        GifCompositor::saveRect(canvas, GifCompositor::visibleRect(m_structure, frame), m_savedRegion);
    GifCompositor::drawFrame(canvas, m_file->span(), m_structure, frame);
    ++m_drawnFrames;
    PixelBuffer::noteFrameDecoded();
}

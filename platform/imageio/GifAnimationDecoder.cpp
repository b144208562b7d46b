#include <imageio/GifAnimationDecoder.hpp>
#include <imageio/PixelBuffer.hpp>

#include <cstring>
#include <new>

namespace {

// Below this many frames between a restart and the frame asked for, a checkpoint saves less than
// the canvas copy it costs.
constexpr size_t checkpointDistance = 8;

}

GifAnimationDecoder::GifAnimationDecoder(std::shared_ptr<const NSData> file, GifStructure structure)
    : m_file(std::move(file))
    , m_structure(std::move(structure))
    , m_outcomes(m_structure.frames.size())
    , m_canvasBytes(size_t { m_structure.width } * m_structure.height * 4)
{
    findStarts();
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::canvasAfterFrame(size_t index)
{
    std::lock_guard guard(m_lock);
    try {
        return composeThrough(index);
    } catch (const std::bad_alloc&) {
        // Half-drawn state can't be trusted: the next request starts again from a known canvas.
        m_canvas = nullptr;
        m_steps.clear();
        m_stepBytes = 0;
        m_checkpointDue = SIZE_MAX;
        m_lzw.releaseMemory();
        return nullptr;
    }
}

std::optional<GifFrameOutcome> GifAnimationDecoder::frameOutcome(size_t index)
{
    if (index >= m_structure.frames.size())
        return std::nullopt;
    {
        std::lock_guard guard(m_lock);
        if (m_outcomes[index])
            return m_outcomes[index];
    }
    // A frame cached from before has an outcome; one never drawn gets one here.
    if (!canvasAfterFrame(index))
        return std::nullopt;
    std::lock_guard guard(m_lock);
    return m_outcomes[index];
}

// Which frames can be drawn without the ones before them; a frame found damaged loses its place.
void GifAnimationDecoder::findStarts()
{
    const auto& frames = m_structure.frames;
    m_starts.assign(frames.size(), Start::Anywhere);
    m_nearestStart.assign(frames.size(), 0);
    for (size_t index = 0; index < frames.size(); ++index) {
        const auto& frame = frames[index];
        if (index == 0) {
            m_starts[index] = Start::Fresh;
        } else {
            const auto& previous = frames[index - 1];
            auto cleared = GifCompositor::visibleRect(m_structure, previous);
            if (previous.disposal == GifDisposal::RestoreBackground && cleared.width == m_structure.width && cleared.height == m_structure.height)
                m_starts[index] = Start::Fresh;
        }
        bool isUndamaged = !m_outcomes[index] || *m_outcomes[index] == GifFrameOutcome::Complete;
        if (m_starts[index] == Start::Anywhere && frame.disposal != GifDisposal::RestorePrevious && frame.isDataComplete && isUndamaged
            && GifCompositor::coversCanvasOpaquely(m_structure, frame))
            m_starts[index] = Start::Opaque;
        m_nearestStart[index] = m_starts[index] == Start::Anywhere ? m_nearestStart[index - 1] : static_cast<uint32_t>(index);
    }
}

size_t GifAnimationDecoder::nearestStart(size_t index) const
{
    return m_nearestStart[index];
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::composeThrough(size_t index)
{
    if (index >= m_structure.frames.size())
        return nullptr;
    if (m_canvas && m_drawnFrames == index + 1)
        return m_canvas;
    if (auto recent = recentCanvas(index))
        return recent;
    if (!drawThrough(index))
        return nullptr;
    rememberCanvas(index);
    return m_canvas;
}

bool GifAnimationDecoder::drawThrough(size_t index)
{
    for (;;) {
        size_t start = nearestStart(index);
        if (m_canvas && m_drawnFrames > index + 1) {
            // Asked to go back: from now on remember what each step overwrites.
            if (start != index)
                m_isRecordingSteps = true;
            if (stepBack(index))
                return true;
        }
        size_t from = start;
        bool fromCheckpoint = false;
        if (m_checkpoint.canvas && m_checkpoint.frame <= index && m_checkpoint.frame > from) {
            from = m_checkpoint.frame;
            fromCheckpoint = true;
        }
        bool drawsOn = m_canvas && m_drawnFrames <= index && m_drawnFrames >= from;
        if (!drawsOn && !restartAt(from, fromCheckpoint, index))
            return false;
        bool checksOpaqueStart = !drawsOn && !fromCheckpoint && m_starts[from] == Start::Opaque;
        while (m_drawnFrames <= index) {
            if (!makeCanvasWritable())
                return false;
            if (m_drawnFrames == m_checkpointDue)
                keepCheckpoint();
            drawNextFrame();
            if (checksOpaqueStart && m_outcomes[from] != GifFrameOutcome::Complete)
                break;
            checksOpaqueStart = false;
        }
        if (!checksOpaqueStart)
            return true;
        // The frame's data broke off, so what was under it shows: it can't be drawn on its own.
        findStarts();
        m_canvas = nullptr;
    }
}

// Undoes the logged steps back to the frame, when the log reaches that far.
bool GifAnimationDecoder::stepBack(size_t index)
{
    if (m_steps.empty() || m_steps.back().frame + 1 != m_drawnFrames || m_steps.front().frame > index + 1)
        return false;
    if (!makeCanvasWritable())
        return false;
    while (m_drawnFrames > index + 1) {
        auto& step = m_steps.back();
        GifCompositor::restoreRect(*m_canvas, step.rect, step.pixels);
        m_savedRegion = std::move(step.savedRegion);
        m_stepBytes -= step.pixels.size() + m_savedRegion.size();
        m_steps.pop_back();
        --m_drawnFrames;
    }
    m_isDisposalPending = true;
    return true;
}

bool GifAnimationDecoder::restartAt(size_t frame, bool fromCheckpoint, size_t target)
{
    // The decoder's own canvas is reused when nobody else holds it.
    if (m_canvas && m_canvas.use_count() == 1) {
        forgetCanvas(m_canvas.get());
        if (fromCheckpoint)
            std::memcpy(m_canvas->bytes.data(), m_checkpoint.canvas->bytes.data(), m_canvasBytes);
        else if (m_starts[frame] != Start::Opaque)
            std::memset(m_canvas->bytes.data(), 0, m_canvasBytes);
    } else {
        m_canvas = fromCheckpoint ? PixelBuffer::copy(*m_checkpoint.canvas) : PixelBuffer::create(m_structure.width, m_structure.height);
        if (!m_canvas)
            return false;
    }
    m_drawnFrames = frame;
    m_isDisposalPending = false;
    m_savedRegion.clear();
    m_steps.clear();
    m_stepBytes = 0;
    // Going back is likely to go on: halfway to the target is where the next restart can begin,
    // unless the checkpoint already serves frames before the target better than the start does.
    m_checkpointDue = SIZE_MAX;
    bool isCheckpointUseful = m_checkpoint.canvas && m_checkpoint.frame >= frame && m_checkpoint.frame <= target;
    if (m_isRecordingSteps && !isCheckpointUseful && target - frame >= checkpointDistance)
        m_checkpointDue = frame + (target - frame) / 2;
    return true;
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

void GifAnimationDecoder::disposeOfPrevious(RGBAPixels& canvas, const std::vector<uint8_t>& savedRegion) const
{
    const auto& previous = m_structure.frames[m_drawnFrames - 1];
    auto rect = GifCompositor::visibleRect(m_structure, previous);
    if (previous.disposal == GifDisposal::RestoreBackground)
        GifCompositor::clearRect(canvas, rect);
    else if (previous.disposal == GifDisposal::RestorePrevious)
        GifCompositor::restoreRect(canvas, rect, savedRegion);
}

void GifAnimationDecoder::keepCheckpoint()
{
    m_checkpointDue = SIZE_MAX;
    if (m_checkpoint.canvas) {
        std::memcpy(m_checkpoint.canvas->bytes.data(), m_canvas->bytes.data(), m_canvasBytes);
    } else {
        m_checkpoint.canvas = PixelBuffer::copy(*m_canvas);
        if (!m_checkpoint.canvas)
            return;
    }
    m_checkpoint.frame = m_drawnFrames;
    if (m_isDisposalPending)
        disposeOfPrevious(*m_checkpoint.canvas, m_savedRegion);
}

// Logs what the next step overwrites, dropping the oldest steps to stay within one canvas of bytes.
void GifAnimationDecoder::recordStep()
{
    const auto& frames = m_structure.frames;
    const auto& previous = frames[m_drawnFrames - 1];
    auto rect = GifCompositor::visibleRect(m_structure, frames[m_drawnFrames]);
    if (previous.disposal == GifDisposal::RestoreBackground || previous.disposal == GifDisposal::RestorePrevious)
        rect = GifCompositor::unionRect(rect, GifCompositor::visibleRect(m_structure, previous));
    // A region saved for an earlier frame is of no further use.
    if (previous.disposal != GifDisposal::RestorePrevious)
        m_savedRegion.clear();
    size_t bytes = rect.width * rect.height * 4 + m_savedRegion.size();
    if (bytes > m_canvasBytes || (!m_steps.empty() && m_steps.back().frame + 1 != m_drawnFrames)) {
        m_steps.clear();
        m_stepBytes = 0;
    }
    if (bytes > m_canvasBytes)
        return;
    while (m_stepBytes + bytes > m_canvasBytes) {
        m_stepBytes -= m_steps.front().pixels.size() + m_steps.front().savedRegion.size();
        m_steps.pop_front();
    }
    Step step { m_drawnFrames, rect, {}, std::move(m_savedRegion) };
    GifCompositor::saveRect(*m_canvas, rect, step.pixels);
    m_steps.push_back(std::move(step));
    m_stepBytes += bytes;
}

void GifAnimationDecoder::drawNextFrame()
{
    auto& canvas = *m_canvas;
    const auto* savedRegion = &m_savedRegion;
    if (m_isDisposalPending && m_isRecordingSteps) {
        recordStep();
        if (!m_steps.empty() && m_steps.back().frame == m_drawnFrames)
            savedRegion = &m_steps.back().savedRegion;
    } else {
        m_steps.clear();
        m_stepBytes = 0;
    }
    if (m_isDisposalPending)
        disposeOfPrevious(canvas, *savedRegion);
    const auto& frame = m_structure.frames[m_drawnFrames];
    if (frame.disposal == GifDisposal::RestorePrevious)
        GifCompositor::saveRect(canvas, GifCompositor::visibleRect(m_structure, frame), m_savedRegion);
    m_outcomes[m_drawnFrames] = GifCompositor::drawFrame(canvas, m_file->span(), m_structure, frame, m_lzw);
    ++m_drawnFrames;
    m_isDisposalPending = true;
    PixelBuffer::noteFrameDecoded();
}

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
}

std::shared_ptr<const RGBAPixels> GifAnimationDecoder::canvasAfterFrame(size_t index)
{
    std::lock_guard guard(m_lock);
    try {
        return composeThrough(index);
    } catch (const std::bad_alloc&) {
        // Half-drawn state can't be trusted: the next request starts again from a known canvas.
        m_canvas = nullptr;
        clearSteps();
        for (auto& checkpoint : m_checkpoints)
            checkpoint.due = SIZE_MAX;
        m_lzw = nullptr;
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

size_t GifAnimationDecoder::startBefore(size_t index)
{
    std::lock_guard guard(m_lock);
    if (index >= m_structure.frames.size())
        return 0;
    findStartsOnce();
    return m_nearestStart[index];
}

// Found when first needed: a source that is only counted never pays for it.
void GifAnimationDecoder::findStartsOnce()
{
    if (m_nearestStart.empty())
        findStarts();
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
    findStartsOnce();
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
        // Asked to go back, or first for a frame far from any start: this caller reads out of
        // order, so from now on remember what each step overwrites.
        bool isGoingBack = m_canvas && m_drawnFrames > index + 1;
        if ((isGoingBack || !m_canvas) && start != index)
            m_isRecordingSteps = true;
        if (isGoingBack && stepBack(index))
            return true;
        size_t from = start;
        Checkpoint* base = nullptr;
        for (auto& checkpoint : m_checkpoints) {
            if (checkpoint.canvas && checkpoint.frame <= index && checkpoint.frame > from) {
                from = checkpoint.frame;
                base = &checkpoint;
            }
        }
        bool drawsOn = m_canvas && m_drawnFrames <= index && m_drawnFrames >= from;
        if (!drawsOn && !base && from == index && resumeBefore(index + 1))
            return true;
        if (!drawsOn && !restartAt(from, base, index))
            return false;
        if (m_isRecordingSteps)
            m_firstStepToRecord = firstStepWorthRecording(index);
        bool checksOpaqueStart = !drawsOn && !base && m_starts[from] == Start::Opaque;
        while (m_drawnFrames <= index) {
            if (!makeCanvasWritable())
                return false;
            for (auto& checkpoint : m_checkpoints) {
                if (m_drawnFrames == checkpoint.due)
                    keepCheckpoint(checkpoint);
            }
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
        for (auto& checkpoint : m_checkpoints) {
            if (checkpoint.changed)
                checkpoint.changed = GifCompositor::unionRect(*checkpoint.changed, step.rect);
        }
        m_savedRegion = std::move(step.savedRegion);
        m_stepBytes -= step.pixels.size() + m_savedRegion.size();
        m_steps.pop_back();
        --m_drawnFrames;
    }
    m_isDisposalPending = true;
    return true;
}

bool GifAnimationDecoder::restartAt(size_t frame, Checkpoint* base, size_t target)
{
    // The decoder's own canvas is reused when nobody else holds it.
    if (m_canvas && m_canvas.use_count() == 1) {
        forgetCanvas(m_canvas.get());
        if (base && base->changed)
            GifCompositor::copyRect(*m_canvas, *base->canvas, *base->changed);
        else if (base)
            std::memcpy(m_canvas->bytes.data(), base->canvas->bytes.data(), m_canvasBytes);
        else if (m_starts[frame] != Start::Opaque)
            std::memset(m_canvas->bytes.data(), 0, m_canvasBytes);
    } else {
        m_canvas = base ? PixelBuffer::copy(*base->canvas) : PixelBuffer::create(m_structure.width, m_structure.height);
        if (!m_canvas)
            return false;
    }
    for (auto& checkpoint : m_checkpoints) {
        checkpoint.due = SIZE_MAX;
        checkpoint.changed.reset();
    }
    if (base)
        base->changed = CanvasRect {};
    m_drawnFrames = frame;
    m_isDisposalPending = false;
    m_savedRegion = SavedPixels();
    clearSteps();
    if (m_isRecordingSteps && target - frame >= checkpointDistance)
        planCheckpoints(frame, base, target);
    return true;
}

// A checkpoint before the next frame is this frame's canvas when its disposal leaves it as it is.
bool GifAnimationDecoder::resumeBefore(size_t next)
{
    auto disposal = m_structure.frames[next - 1].disposal;
    if (disposal != GifDisposal::None && disposal != GifDisposal::Leave)
        return false;
    for (auto& checkpoint : m_checkpoints) {
        if (checkpoint.canvas && checkpoint.frame == next) {
            if (!restartAt(next, &checkpoint, next))
                return false;
            m_isDisposalPending = true;
            return true;
        }
    }
    return false;
}

// Going back is likely to go on. Where the log of this pass won't reach, a later restart can
// begin; and right after a start frame that covers much of the canvas, so that it isn't decoded
// again. Checkpoints that serve frames below the restart are kept.
void GifAnimationDecoder::planCheckpoints(size_t frame, const Checkpoint* base, size_t target)
{
    std::vector<Checkpoint*> spare;
    for (auto& checkpoint : m_checkpoints) {
        if (&checkpoint != base && (!checkpoint.canvas || checkpoint.frame > target))
            spare.push_back(&checkpoint);
    }
    if (!spare.empty() && !base) {
        auto start = GifCompositor::visibleRect(m_structure, m_structure.frames[frame]);
        if (start.width * start.height * 4 * 4 >= m_canvasBytes) {
            spare.back()->due = frame + 1;
            spare.pop_back();
        }
    }
    if (spare.empty())
        return;
    // The log will reach back from the target over `reach` frames. Below that, a checkpoint from
    // which one more pass of the same length is logged whole serves the next stretch; what lies
    // nearer the restart than that is served from the restart point itself.
    size_t first = firstStepWorthRecording(target);
    size_t reach = target + 1 - first;
    if (first > frame + reach + checkpointDistance)
        spare.back()->due = first - reach;
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

void GifAnimationDecoder::disposeOfPrevious(RGBAPixels& canvas, const SavedPixels& savedRegion) const
{
    const auto& previous = m_structure.frames[m_drawnFrames - 1];
    auto rect = GifCompositor::visibleRect(m_structure, previous);
    if (previous.disposal == GifDisposal::RestoreBackground)
        GifCompositor::clearRect(canvas, rect);
    else if (previous.disposal == GifDisposal::RestorePrevious)
        GifCompositor::restoreRect(canvas, rect, savedRegion);
}

void GifAnimationDecoder::keepCheckpoint(Checkpoint& checkpoint)
{
    checkpoint.due = SIZE_MAX;
    if (checkpoint.canvas && checkpoint.changed) {
        GifCompositor::copyRect(*checkpoint.canvas, *m_canvas, *checkpoint.changed);
    } else if (checkpoint.canvas) {
        std::memcpy(checkpoint.canvas->bytes.data(), m_canvas->bytes.data(), m_canvasBytes);
    } else {
        checkpoint.canvas = PixelBuffer::copy(*m_canvas);
        if (!checkpoint.canvas)
            return;
    }
    checkpoint.frame = m_drawnFrames;
    checkpoint.changed = CanvasRect {};
    if (m_isDisposalPending) {
        disposeOfPrevious(*checkpoint.canvas, m_savedRegion);
        checkpoint.changed = GifCompositor::visibleRect(m_structure, m_structure.frames[m_drawnFrames - 1]);
    }
}

// What the step that draws the frame overwrites: the frame, and the one before when disposed of.
CanvasRect GifAnimationDecoder::changedByStep(size_t frame) const
{
    const auto& frames = m_structure.frames;
    auto rect = GifCompositor::visibleRect(m_structure, frames[frame]);
    const auto& previous = frames[frame - 1];
    if (previous.disposal == GifDisposal::RestoreBackground || previous.disposal == GifDisposal::RestorePrevious)
        rect = GifCompositor::unionRect(rect, GifCompositor::visibleRect(m_structure, previous));
    return rect;
}

size_t GifAnimationDecoder::stepBytes(size_t frame) const
{
    auto rect = changedByStep(frame);
    size_t bytes = rect.width * rect.height * 4;
    if (m_structure.frames[frame - 1].disposal == GifDisposal::RestorePrevious) {
        auto saved = GifCompositor::visibleRect(m_structure, m_structure.frames[frame - 1]);
        bytes += saved.width * saved.height * 4;
    }
    return bytes;
}

// The log keeps only the steps nearest the target; steps before those would be dropped unused.
size_t GifAnimationDecoder::firstStepWorthRecording(size_t target) const
{
    size_t first = target + 1;
    size_t bytes = 0;
    while (first > 1 && bytes + stepBytes(first - 1) <= m_canvasBytes) {
        bytes += stepBytes(first - 1);
        --first;
    }
    return first;
}

// Logs what the next step overwrites, dropping the oldest steps to stay within one canvas of bytes.
void GifAnimationDecoder::recordStep()
{
    const auto& previous = m_structure.frames[m_drawnFrames - 1];
    auto rect = changedByStep(m_drawnFrames);
    // A region saved for an earlier frame is of no further use.
    if (previous.disposal != GifDisposal::RestorePrevious)
        m_savedRegion = SavedPixels();
    size_t bytes = rect.width * rect.height * 4 + m_savedRegion.size();
    if (bytes > m_canvasBytes || (!m_steps.empty() && m_steps.back().frame + 1 != m_drawnFrames))
        clearSteps();
    if (bytes > m_canvasBytes)
        return;
    while (m_stepBytes + bytes > m_canvasBytes) {
        auto& oldest = m_steps.front();
        m_stepBytes -= oldest.pixels.size() + oldest.savedRegion.size();
        m_steps.pop_front();
    }
    Step step { m_drawnFrames, rect, takeBuffer(), std::move(m_savedRegion) };
    GifCompositor::saveRect(*m_canvas, rect, step.pixels);
    m_steps.push_back(std::move(step));
    m_stepBytes += bytes;
}

void GifAnimationDecoder::drawNextFrame()
{
    auto& canvas = *m_canvas;
    const auto* savedRegion = &m_savedRegion;
    auto changed = m_isDisposalPending ? changedByStep(m_drawnFrames) : GifCompositor::visibleRect(m_structure, m_structure.frames[m_drawnFrames]);
    for (auto& checkpoint : m_checkpoints) {
        if (checkpoint.changed)
            checkpoint.changed = GifCompositor::unionRect(*checkpoint.changed, changed);
    }
    if (m_isDisposalPending && m_isRecordingSteps && m_drawnFrames >= m_firstStepToRecord) {
        recordStep();
        if (!m_steps.empty() && m_steps.back().frame == m_drawnFrames)
            savedRegion = &m_steps.back().savedRegion;
    } else if (!m_steps.empty()) {
        clearSteps();
    }
    if (m_isDisposalPending)
        disposeOfPrevious(canvas, *savedRegion);
    const auto& frame = m_structure.frames[m_drawnFrames];
    if (frame.disposal == GifDisposal::RestorePrevious) {
        if (m_savedRegion.capacity() == 0)
            m_savedRegion = takeBuffer();
        GifCompositor::saveRect(canvas, GifCompositor::visibleRect(m_structure, frame), m_savedRegion);
    }
    if (!m_lzw)
        m_lzw = std::make_unique<GifLzwDecoder>();
    m_outcomes[m_drawnFrames] = GifCompositor::drawFrame(canvas, m_file->span(), m_structure, frame, *m_lzw);
    ++m_drawnFrames;
    m_isDisposalPending = true;
    PixelBuffer::noteFrameDecoded();
}

void GifAnimationDecoder::clearSteps()
{
    // Newest first, so that their memory goes back to the top of the arena.
    while (!m_steps.empty())
        m_steps.pop_back();
    m_stepBytes = 0;
}

SavedPixels GifAnimationDecoder::takeBuffer()
{
    // Reserved when first needed, as address space: its pages come as the log first reaches them.
    if (!m_savedArena)
        m_savedArena = std::make_unique<SavedPixelsArena>(m_canvasBytes);
    return SavedPixels(SavedPixelsAllocator<uint8_t>(m_savedArena.get()));
}

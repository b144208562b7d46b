// The decoding state of one GIF, shared by its source and every frame image made from it: the file
// bytes, their layout, and a bounded set of canvases. Playing forward draws each frame once over
// the last. Going back restarts from the nearest point at or before the frame whose canvas is
// known without drawing the ones before it: frame 0, a frame drawn opaquely over the whole canvas,
// a frame after one cleared whole, or the one checkpoint canvas; and once frames have been asked
// for out of order, a log of what each step overwrote (at most one canvas of bytes) steps back
// through recent frames without drawing anything.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <foundation/NSData.hpp>
#include <imageio/GifCompositor.hpp>
#include <imageio/GifLzwDecoder.hpp>
#include <imageio/GifStructure.hpp>

#include <array>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class GifAnimationDecoder {
public:
    GifAnimationDecoder(std::shared_ptr<const NSData> file, GifStructure);

    const GifStructure& structure() const { return m_structure; }
    // The whole canvas after frame `index` is drawn; null when index is out of range or the canvas
    // can't be allocated. A frame whose data is damaged gives the canvas as far as it got.
    std::shared_ptr<const RGBAPixels> canvasAfterFrame(size_t index);
    // How the frame's data decoded, drawing it when it hasn't been yet; none when index is out of
    // range or the canvas can't be allocated.
    std::optional<GifFrameOutcome> frameOutcome(size_t index);
    // The nearest frame at or before `index` that drawing can start from without the ones before
    // it, as far as the decoder knows now (a start found damaged loses its place); 0 out of range.
    size_t startBefore(size_t index);

private:
    struct RecentCanvas {
        size_t index { 0 };
        std::weak_ptr<const RGBAPixels> pixels;
    };
    // The canvas before `frame` is drawn, the disposals of the frames before it applied.
    struct Checkpoint {
        size_t frame { 0 };
        std::shared_ptr<RGBAPixels> canvas;
        // Where the working canvas can differ from this one while it comes from it (none:
        // anywhere), so that restoring either from the other copies only that.
        std::optional<CanvasRect> changed;
        // The frame before which to keep the working canvas here, on the way to a target.
        size_t due { SIZE_MAX };
    };
    // What drawing `frame` (and disposing of the one before) overwrote.
    struct Step {
        size_t frame { 0 };
        CanvasRect rect;
        SavedPixels pixels;
        SavedPixels savedRegion;
    };
    enum class Start : uint8_t {
        Anywhere,
        Fresh, // the canvas before the frame is transparent
        Opaque, // the frame hides whatever is under it
    };

    std::shared_ptr<const RGBAPixels> composeThrough(size_t index);
    bool drawThrough(size_t index);
    bool stepBack(size_t index);
    bool restartAt(size_t frame, Checkpoint* base, size_t target);
    bool resumeBefore(size_t next);
    void planCheckpoints(size_t frame, const Checkpoint* base, size_t target);
    size_t nearestStart(size_t index) const;
    void findStarts();
    void findStartsOnce();
    std::shared_ptr<const RGBAPixels> recentCanvas(size_t index) const;
    void rememberCanvas(size_t index);
    void forgetCanvas(const RGBAPixels*);
    bool makeCanvasWritable();
    void disposeOfPrevious(RGBAPixels&, const SavedPixels& savedRegion) const;
    void recordStep();
    void clearSteps();
    SavedPixels takeBuffer();
    size_t stepBytes(size_t frame) const;
    size_t firstStepWorthRecording(size_t target) const;
    CanvasRect changedByStep(size_t frame) const;
    void keepCheckpoint(Checkpoint&);
    void drawNextFrame();

    std::shared_ptr<const NSData> m_file;
    GifStructure m_structure;
    std::vector<Start> m_starts;
    std::vector<uint32_t> m_nearestStart;
    std::vector<std::optional<GifFrameOutcome>> m_outcomes;
    size_t m_canvasBytes { 0 };

    std::mutex m_lock;
    // Made on the first frame drawn: its table is large, and many sources are only counted and
    // never drawn.
    std::unique_ptr<GifLzwDecoder> m_lzw;
    // The canvas after frame m_drawnFrames - 1. Held strongly: a view showing one frame asks for
    // it again and again.
    std::shared_ptr<RGBAPixels> m_canvas;
    size_t m_drawnFrames { 0 };
    // False right after a restart: the disposal of the frame before is already on the canvas.
    bool m_isDisposalPending { false };
    // Memory for what the decoder saves from the canvas, within one canvas of bytes. Declared
    // before everything it holds, so that it goes last.
    std::unique_ptr<SavedPixelsArena> m_savedArena;
    // What the last drawn frame covered, when its disposal restores it.
    SavedPixels m_savedRegion;
    std::array<Checkpoint, 2> m_checkpoints;
    bool m_isRecordingSteps { false };
    size_t m_firstStepToRecord { 0 };
    std::deque<Step> m_steps;
    size_t m_stepBytes { 0 };
    // Earlier canvases are only remembered while someone else keeps them, so a long animation
    // played in a loop keeps one canvas here, not one per frame.
    std::array<RecentCanvas, 4> m_recent;
    size_t m_nextRecent { 0 };
};

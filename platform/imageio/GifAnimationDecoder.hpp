// The decoding state of one GIF, shared by its source and every frame image made from it: the file
// bytes, their layout, and a small cache of composited canvases. Frames are composited in order from
// the last one drawn; asking for an earlier frame starts again from the first.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <foundation/NSData.hpp>
#include <imageio/GifStructure.hpp>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

class GifAnimationDecoder {
public:
    GifAnimationDecoder(std::shared_ptr<const NSData> file, GifStructure);

    const GifStructure& structure() const { return m_structure; }
    // The whole canvas after frame `index` is drawn; null when index is out of range or the canvas
    // can't be allocated. A frame whose data is damaged gives the canvas as far as it got.
    std::shared_ptr<const RGBAPixels> canvasAfterFrame(size_t index);

private:
    struct RecentCanvas {
        size_t index { 0 };
        std::weak_ptr<const RGBAPixels> pixels;
    };

    std::shared_ptr<const RGBAPixels> composeThrough(size_t index);
    std::shared_ptr<const RGBAPixels> recentCanvas(size_t index) const;
    void rememberCanvas(size_t index);
    void forgetCanvas(const RGBAPixels*);
    bool restart();
    bool makeCanvasWritable();
    void drawNextFrame();

    std::shared_ptr<const NSData> m_file;
    GifStructure m_structure;

    std::mutex m_lock;
    // The canvas after frame m_drawnFrames - 1, disposal not yet applied. Held strongly: a view
    // showing one frame asks for it again and again.
    std::shared_ptr<RGBAPixels> m_canvas;
    size_t m_drawnFrames { 0 };
    // What the last drawn frame covered, when its disposal restores it.
    std::vector<uint8_t> m_savedRegion;
    // Earlier canvases are only remembered while someone else keeps them, so a long animation
    // played in a loop keeps one canvas here, not one per frame.
    std::array<RecentCanvas, 4> m_recent;
    size_t m_nextRecent { 0 };
};

// Pictures of a host's screen: a screenshot as a PNG at the screen's full resolution, and a
// recording as an animated GIF at one pixel per point, a frame for each addFrame.
#pragma once

#include <render/AnimatedGifWriter.hpp>

#include <filesystem>
#include <string>

class UIView;

namespace sim {

// The window as the screen shows it (black where nothing is drawn), at the main screen's scale.
bool writeScreenshot(const UIView& window, const std::filesystem::path& png, std::string& error);

class ScreenRecorder {
public:
    static constexpr double defaultFramesPerSecond = AnimatedGifWriter::defaultFramesPerSecond;
    // Wider screens are drawn smaller, so that a recording stays light.
    static constexpr double maximumWidth = 480;

    explicit ScreenRecorder(std::filesystem::path gif, double framesPerSecond = defaultFramesPerSecond);

    // Draws the window now as the next frame; the caller runs the main run loop between frames,
    // 1/fps seconds apart. False when the frame could not be drawn or written.
    bool addFrame(const UIView& window);
    // Writes out the file. False with the first problem met, or when no frame was added.
    bool finish(std::string& error);

    size_t frameCount() const { return m_writer.frameCount(); }
    double framesPerSecond() const { return m_writer.framesPerSecond(); }

private:
    AnimatedGifWriter m_writer;
    bool m_didFailToDraw { false };
};

}

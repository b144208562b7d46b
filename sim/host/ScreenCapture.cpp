#include "ScreenCapture.hpp"
#include "PngWriter.hpp"

#include <render/Renderer.hpp>
#include <uikit/UIView.hpp>

#include <algorithm>

namespace sim {

bool writeScreenshot(const UIView& window, const std::filesystem::path& png, std::string& error)
{
    Render::RenderOptions options;
    options.isOpaque = true;
    auto pixels = Render::renderView(window, options);
    if (!pixels) {
        error = "the screen could not be drawn";
        return false;
    }
    return writePNG(*pixels, png, error);
}

ScreenRecorder::ScreenRecorder(std::filesystem::path gif, double framesPerSecond)
    : m_writer(std::move(gif), framesPerSecond)
{
}

bool ScreenRecorder::addFrame(const UIView& window)
{
    CGFloat width = window.bounds().size.width;
    Render::RenderOptions options;
    options.isOpaque = true;
    options.scale = width > maximumWidth ? maximumWidth / width : 1.0;
    auto pixels = Render::renderView(window, options);
    if (!pixels) {
        m_didFailToDraw = true;
        return false;
    }
    return m_writer.addFrame(*pixels);
}

bool ScreenRecorder::finish(std::string& error)
{
    bool isWritten = m_writer.finish(error);
    if (isWritten && m_didFailToDraw) {
        error = "some frames of the screen could not be drawn";
        return false;
    }
    return isWritten;
}

}

// The assistant's flames: glowing ribbons in magenta, cyan, blue and violet that swell and drift
// along a line in the lower third of the view, their light adding up where they cross.
#pragma once

#include <coregraphics/CGContext.hpp>
#include <uikit/UIView.hpp>

#include <chrono>

class FlamesWaveformView final : public UIView {
public:
    explicit FlamesWaveformView(CGRect frame);
    static std::shared_ptr<FlamesWaveformView> initWithFrame(CGRect);

    // The height of the line the ribbons play along, as a share of the view's height.
    static constexpr CGFloat baselineShare = 0.8;

    // Draws the flames as they are `seconds` after they started, into the rectangle.
    static void drawWaveform(CGContextRef, CGRect, double seconds);

    // Draws the flames as they are now: they started when the view was made.
    void drawRect(CGRect) override;

private:
    std::chrono::steady_clock::time_point m_start;
};

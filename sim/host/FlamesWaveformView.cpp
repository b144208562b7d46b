#include "FlamesWaveformView.hpp"

#include <foundation/MediaClock.hpp>

#include <uikit/UIGraphics.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

static const Class s_class = objc::registerClass<FlamesWaveformView>("FlamesWaveformView", "UIView");

namespace {

struct Ribbon {
    double red;
    double green;
    double blue;
    // Where along the line the ribbon swells (share of the width), how far it drifts, and how fast.
    double centre;
    double drift;
    double driftSpeed;
    // Its width as a share of the view's, ripples across it, and how fast it breathes.
    double width;
    double ripples;
    double breathSpeed;
    double phase;
};

constexpr std::array<Ribbon, 4> ribbons { {
    { 0.95, 0.25, 0.75, 0.35, 0.18, 0.9, 0.30, 3.0, 2.3, 0.0 },
    { 0.20, 0.85, 1.00, 0.60, 0.22, 0.7, 0.34, 2.0, 1.7, 1.9 },
    { 0.25, 0.40, 1.00, 0.50, 0.25, 1.1, 0.40, 2.5, 2.9, 3.7 },
    { 0.60, 0.30, 1.00, 0.45, 0.20, 1.3, 0.26, 3.5, 2.1, 5.1 },
} };

// Each ribbon is drawn several times, wide and faint to narrow and strong: a glow without blur.
struct GlowPass {
    double spread;
    double alpha;
};
constexpr std::array<GlowPass, 6> glowPasses { {
    { 1.6, 0.05 }, { 1.45, 0.06 }, { 1.3, 0.08 }, { 1.17, 0.12 }, { 1.07, 0.18 }, { 1.0, 0.3 },
} };

// Height of the ribbon above (and below) the line at x (share of the width), before the glow.
double ribbonHeight(const Ribbon& ribbon, double x, double seconds, double amplitude)
{
    double centre = ribbon.centre + ribbon.drift * std::sin(seconds * ribbon.driftSpeed + ribbon.phase);
    double distance = (x - centre) / ribbon.width;
    double swell = std::exp(-distance * distance * 4);
    double ripple = 0.65 + 0.35 * std::cos(distance * ribbon.ripples * std::numbers::pi + seconds * 2);
    double breath = 0.55 + 0.45 * std::sin(seconds * ribbon.breathSpeed + ribbon.phase);
    // The flames pinch to nothing at the view's edges.
    double edges = std::sin(std::numbers::pi * std::clamp(x, 0.0, 1.0));
    return amplitude * swell * ripple * breath * edges;
}

void addRibbonPath(CGContextRef context, const Ribbon& ribbon, CGRect rect, double seconds, double spread)
{
    constexpr int samples = 96;
    double baseline = rect.origin.y + rect.size.height * FlamesWaveformView::baselineShare;
    double amplitude = rect.size.height * 0.07 * spread;
    auto point = [&](int i, double side) {
        double x = static_cast<double>(i) / samples;
        return CGPointMake(rect.origin.x + x * rect.size.width, baseline + side * ribbonHeight(ribbon, x, seconds, amplitude));
    };
    CGContextBeginPath(context);
    CGPoint start = point(0, -1);
    CGContextMoveToPoint(context, start.x, start.y);
    for (int i = 1; i <= samples; ++i) {
        CGPoint top = point(i, -1);
        CGContextAddLineToPoint(context, top.x, top.y);
    }
    for (int i = samples; i >= 0; --i) {
        CGPoint bottom = point(i, 0.8);
        CGContextAddLineToPoint(context, bottom.x, bottom.y);
    }
    CGContextClosePath(context);
}

// A thin bright line where the ribbons meet, there even while they rest.
void drawCoreLine(CGContextRef context, CGRect rect)
{
    double baseline = rect.origin.y + rect.size.height * FlamesWaveformView::baselineShare;
    CGContextSetRGBFillColor(context, 0.75, 0.9, 1.0, 0.7);
    CGContextBeginPath(context);
    CGContextMoveToPoint(context, rect.origin.x, baseline);
    CGContextAddQuadCurveToPoint(context, CGRectGetMidX(rect), baseline - 1.5, CGRectGetMaxX(rect), baseline);
    CGContextAddQuadCurveToPoint(context, CGRectGetMidX(rect), baseline + 1.5, rect.origin.x, baseline);
    CGContextClosePath(context);
    CGContextFillPath(context);
}

}

FlamesWaveformView::FlamesWaveformView(CGRect frame)
    : UIView(frame)
    , m_start(MediaClock::now())
{
    setUserInteractionEnabled(false);
}

std::shared_ptr<FlamesWaveformView> FlamesWaveformView::initWithFrame(CGRect frame)
{
    return std::make_shared<FlamesWaveformView>(frame);
}

void FlamesWaveformView::drawWaveform(CGContextRef context, CGRect rect, double seconds)
{
    if (!context || !std::isfinite(seconds) || rect.size.width <= 0 || rect.size.height <= 0)
        return;
    CGContextSaveGState(context);
    CGContextSetBlendMode(context, kCGBlendModePlusLighter);
    for (const GlowPass& pass : glowPasses) {
        for (const Ribbon& ribbon : ribbons) {
            CGContextSetRGBFillColor(context, ribbon.red, ribbon.green, ribbon.blue, pass.alpha);
            addRibbonPath(context, ribbon, rect, seconds, pass.spread);
            CGContextFillPath(context);
        }
    }
    drawCoreLine(context, rect);
    CGContextRestoreGState(context);
}

void FlamesWaveformView::drawRect(CGRect)
{
    double seconds = std::chrono::duration<double>(MediaClock::now() - m_start).count();
    drawWaveform(UIGraphicsGetCurrentContext(), bounds(), seconds);
}

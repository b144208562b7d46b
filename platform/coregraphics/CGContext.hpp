// Bitmap drawing contexts: paths filled or stroked in device RGB, clipping, transparency layers,
// images and blend modes, over a bitmap the context owns. User space starts at the top left with
// y growing downwards, as in the contexts a view draws into. No colour spaces, shadows, text,
// dashes, patterns or gradients.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <coregraphics/CGImage.hpp>

#include <memory>

enum CGBlendMode : int {
    kCGBlendModeNormal = 0,
    kCGBlendModeMultiply = 1,
    kCGBlendModeScreen = 2,
    kCGBlendModeOverlay = 3,
    kCGBlendModeDarken = 4,
    kCGBlendModeLighten = 5,
    kCGBlendModeClear = 16,
    kCGBlendModeCopy = 17,
    // Adds the colours: overlapping light glows brighter.
    kCGBlendModePlusLighter = 27,
};

enum CGLineCap : int {
    kCGLineCapButt = 0,
    kCGLineCapRound = 1,
    kCGLineCapSquare = 2,
};

struct CGContextState;

class CGContext final : public CFType {
public:
    // Largest bitmap side, and pixel count, that a context accepts.
    static constexpr size_t maximumSide = 16384;
    static constexpr size_t maximumPixelCount = size_t { 1 } << 26;

    ~CGContext() override;

    // Null when the size is empty or beyond the limits, or cairo can't make the bitmap.
    static CGContext* create(size_t width, size_t height);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    // The backend's state; only CGContext.cpp knows what it holds.
    CGContextState& state() const { return *m_state; }

private:
    CGContext(size_t width, size_t height, std::unique_ptr<CGContextState>);

    size_t m_width;
    size_t m_height;
    std::unique_ptr<CGContextState> m_state;
};
using CGContextRef = CGContext*;

// A transparent bitmap of that many pixels; release with CGContextRelease. Null for an empty size
// or one beyond CGContext's limits.
CGContextRef CGBitmapContextCreate(size_t width, size_t height);
CGContextRef CGContextRetain(CGContextRef);
// Releasing null does nothing.
void CGContextRelease(CGContextRef);
size_t CGBitmapContextGetWidth(CGContextRef);
size_t CGBitmapContextGetHeight(CGContextRef);
// A copy of the bitmap as it is now, as an image of its own (+1), or null.
CGImageRef CGBitmapContextCreateImage(CGContextRef);
// Stand-in: the same copy as plain (not premultiplied) RGBA pixels, or null.
std::shared_ptr<RGBAPixels> CGBitmapContextCopyPixels(CGContextRef);

// Every call below does nothing for a null context; non-finite numbers are ignored so that a
// bad value can't wreck the whole drawing.
void CGContextSaveGState(CGContextRef);
// An unbalanced restore is ignored.
void CGContextRestoreGState(CGContextRef);

void CGContextTranslateCTM(CGContextRef, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(CGContextRef, CGFloat angle);

void CGContextSetRGBFillColor(CGContextRef, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetLineWidth(CGContextRef, CGFloat width);
void CGContextSetLineCap(CGContextRef, CGLineCap);
// Multiplies everything drawn from now on (in this state), clamped to 0...1.
void CGContextSetAlpha(CGContextRef, CGFloat alpha);
void CGContextSetBlendMode(CGContextRef, CGBlendMode);

void CGContextBeginPath(CGContextRef);
void CGContextMoveToPoint(CGContextRef, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef, CGFloat x, CGFloat y);
void CGContextAddCurveToPoint(CGContextRef, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGContextAddQuadCurveToPoint(CGContextRef, CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y);
// Angles in radians; clockwise 0 sweeps towards growing angles.
void CGContextAddArc(CGContextRef, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise);
void CGContextClosePath(CGContextRef);
void CGContextAddRect(CGContextRef, CGRect);
void CGContextAddEllipseInRect(CGContextRef, CGRect);

// Filling, stroking and clipping consume the current path, as on the platform.
void CGContextFillPath(CGContextRef);
void CGContextEOFillPath(CGContextRef);
void CGContextStrokePath(CGContextRef);
void CGContextFillRect(CGContextRef, CGRect);
void CGContextStrokeRect(CGContextRef, CGRect);
void CGContextFillEllipseInRect(CGContextRef, CGRect);
void CGContextClearRect(CGContextRef, CGRect);
void CGContextClip(CGContextRef);
void CGContextClipToRect(CGContextRef, CGRect);
// The area that drawing can still reach, in user space.
CGRect CGContextGetClipBoundingBox(CGContextRef);
// Where the rectangle lands in the bitmap, in pixels: the bounding box of its corners.
CGRect CGContextConvertRectToDeviceSpace(CGContextRef, CGRect);

// Draws the image stretched over the rectangle, its first row at the rectangle's top, with smooth
// scaling and its edge pixels carried to the rectangle's edges. An image whose pixels can't be
// had draws nothing.
void CGContextDrawImage(CGContextRef, CGRect, CGImageRef);

// Everything drawn until the matching end is composited as one picture, with the alpha and blend
// mode in force at the begin; inside, alpha starts at 1 and the blend mode as normal. An end
// without a begin is ignored, and states saved inside the layer and not restored are dropped.
// No auxiliary information is understood; pass null.
void CGContextBeginTransparencyLayer(CGContextRef, CFDictionaryRef auxiliaryInfo);
void CGContextEndTransparencyLayer(CGContextRef);

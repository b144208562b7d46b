// The only file that knows cairo in the graphics framework.
#include <coregraphics/CGContext.hpp>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
    void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Cairo = std::unique_ptr<cairo_t, CairoDeleter>;

struct Color {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 1 };
};

// What cairo doesn't keep itself: colours are set as a source only when something is drawn.
struct GraphicsState {
    Color fill;
    Color stroke;
    double alpha { 1 };
    CGBlendMode blendMode { kCGBlendModeNormal };
};

struct Layer {
    size_t savedDepth;
    double alpha;
    CGBlendMode blendMode;
};

bool isFinite(CGFloat value) { return std::isfinite(value); }

template<typename... Values>
bool allFinite(Values... values)
{
    return (isFinite(values) && ...);
}

bool isFinite(CGRect rect)
{
    return allFinite(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

double unit(CGFloat value)
{
    return std::clamp(value, 0.0, 1.0);
}

cairo_operator_t cairoOperator(CGBlendMode mode)
{
    switch (mode) {
    case kCGBlendModeMultiply: return CAIRO_OPERATOR_MULTIPLY;
    case kCGBlendModeScreen: return CAIRO_OPERATOR_SCREEN;
    case kCGBlendModeOverlay: return CAIRO_OPERATOR_OVERLAY;
    case kCGBlendModeDarken: return CAIRO_OPERATOR_DARKEN;
    case kCGBlendModeLighten: return CAIRO_OPERATOR_LIGHTEN;
    case kCGBlendModeClear: return CAIRO_OPERATOR_CLEAR;
    case kCGBlendModeCopy: return CAIRO_OPERATOR_SOURCE;
    case kCGBlendModePlusLighter: return CAIRO_OPERATOR_ADD;
    case kCGBlendModeNormal: break;
    }
    return CAIRO_OPERATOR_OVER;
}

// Opaque pixels, most of any screen, skip the division: the result would be the component.
uint8_t premultiply(uint8_t component, uint8_t alpha)
{
    if (alpha == 255)
        return component;
    return static_cast<uint8_t>((component * alpha + 127) / 255);
}

uint8_t unpremultiply(uint8_t component, uint8_t alpha)
{
    if (alpha == 255)
        return component;
    if (alpha == 0)
        return 0;
    return static_cast<uint8_t>(std::min(255, (component * 255 + alpha / 2) / alpha));
}

// cairo's pixels are native-endian 32-bit words, alpha in the top byte, premultiplied.
CairoSurface surfaceFromPixels(const RGBAPixels& pixels)
{
    if (pixels.width == 0 || pixels.height == 0 || pixels.width > CGContext::maximumSide || pixels.height > CGContext::maximumSide
        || pixels.bytes.size() != pixels.width * pixels.height * 4)
        return nullptr;
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(pixels.width), static_cast<int>(pixels.height)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface.get()));
    for (size_t y = 0; y < pixels.height; ++y) {
        const uint8_t* in = pixels.bytes.data() + y * pixels.width * 4;
        auto* out = reinterpret_cast<uint32_t*>(data + y * stride);
        for (size_t x = 0; x < pixels.width; ++x, in += 4) {
            uint8_t a = in[3];
            out[x] = uint32_t { a } << 24 | uint32_t { premultiply(in[0], a) } << 16 | uint32_t { premultiply(in[1], a) } << 8 | premultiply(in[2], a);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}

struct CGContextState {
    CairoSurface surface;
    Cairo cairo;
    GraphicsState current;
    std::vector<GraphicsState> saved;
    std::vector<Layer> layers;

    void useFill()
    {
        const Color& color = current.fill;
        cairo_set_source_rgba(cairo.get(), color.red, color.green, color.blue, color.alpha * current.alpha);
        cairo_set_operator(cairo.get(), cairoOperator(current.blendMode));
    }

    void useStroke()
    {
        const Color& color = current.stroke;
        cairo_set_source_rgba(cairo.get(), color.red, color.green, color.blue, color.alpha * current.alpha);
        cairo_set_operator(cairo.get(), cairoOperator(current.blendMode));
    }

    // Saves below the innermost layer belong to the world outside it.
    size_t floor() const { return layers.empty() ? 0 : layers.back().savedDepth + 1; }
};

CGContext::CGContext(size_t width, size_t height, std::unique_ptr<CGContextState> state)
    : CFType("CGContext")
    , m_width(width)
    , m_height(height)
    , m_state(std::move(state))
{
}

CGContext::~CGContext() = default;

CGContext* CGContext::create(size_t width, size_t height)
{
    if (width == 0 || height == 0 || width > maximumSide || height > maximumSide || width * height > maximumPixelCount)
        return nullptr;
    auto state = std::make_unique<CGContextState>();
    state->surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height)));
    if (cairo_surface_status(state->surface.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    state->cairo.reset(cairo_create(state->surface.get()));
    if (cairo_status(state->cairo.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return new CGContext(width, height, std::move(state));
}

CGContextRef CGBitmapContextCreate(size_t width, size_t height)
{
    return CGContext::create(width, height);
}

CGContextRef CGContextRetain(CGContextRef context)
{
    if (context)
        CFRetain(context);
    return context;
}

void CGContextRelease(CGContextRef context)
{
    if (context)
        CFRelease(context);
}

size_t CGBitmapContextGetWidth(CGContextRef context) { return context ? context->width() : 0; }
size_t CGBitmapContextGetHeight(CGContextRef context) { return context ? context->height() : 0; }

std::shared_ptr<RGBAPixels> CGBitmapContextCopyPixels(CGContextRef context)
{
    if (!context)
        return nullptr;
    cairo_surface_t* surface = context->state().surface.get();
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = context->width();
    pixels->height = context->height();
    pixels->bytes.resize(pixels->width * pixels->height * 4);
    uint8_t* out = pixels->bytes.data();
    for (size_t y = 0; y < pixels->height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (size_t x = 0; x < pixels->width; ++x, out += 4) {
            uint32_t pixel = row[x];
            auto a = static_cast<uint8_t>(pixel >> 24);
            out[0] = unpremultiply(static_cast<uint8_t>(pixel >> 16), a);
            out[1] = unpremultiply(static_cast<uint8_t>(pixel >> 8), a);
            out[2] = unpremultiply(static_cast<uint8_t>(pixel), a);
            out[3] = a;
        }
    }
    return pixels;
}

CGImageRef CGBitmapContextCreateImage(CGContextRef context)
{
    return CGImageCreateWithPixels(CGBitmapContextCopyPixels(context));
}

void CGContextSaveGState(CGContextRef context)
{
    if (!context)
        return;
    auto& state = context->state();
    cairo_save(state.cairo.get());
    state.saved.push_back(state.current);
}

void CGContextRestoreGState(CGContextRef context)
{
    if (!context)
        return;
    auto& state = context->state();
    if (state.saved.size() <= state.floor())
        return;
    cairo_restore(state.cairo.get());
    state.current = state.saved.back();
    state.saved.pop_back();
}

void CGContextTranslateCTM(CGContextRef context, CGFloat tx, CGFloat ty)
{
    if (context && allFinite(tx, ty))
        cairo_translate(context->state().cairo.get(), tx, ty);
}

void CGContextScaleCTM(CGContextRef context, CGFloat sx, CGFloat sy)
{
    // A zero scale would make the matrix singular and put cairo into an error state for good.
    if (context && allFinite(sx, sy) && sx != 0 && sy != 0)
        cairo_scale(context->state().cairo.get(), sx, sy);
}

void CGContextRotateCTM(CGContextRef context, CGFloat angle)
{
    if (context && isFinite(angle))
        cairo_rotate(context->state().cairo.get(), angle);
}

void CGContextSetRGBFillColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (context && allFinite(red, green, blue, alpha))
        context->state().current.fill = { unit(red), unit(green), unit(blue), unit(alpha) };
}

void CGContextSetRGBStrokeColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (context && allFinite(red, green, blue, alpha))
        context->state().current.stroke = { unit(red), unit(green), unit(blue), unit(alpha) };
}

void CGContextSetLineWidth(CGContextRef context, CGFloat width)
{
    if (context && isFinite(width) && width >= 0)
        cairo_set_line_width(context->state().cairo.get(), width);
}

void CGContextSetLineCap(CGContextRef context, CGLineCap cap)
{
    if (!context)
        return;
    cairo_line_cap_t cairoCap = cap == kCGLineCapRound ? CAIRO_LINE_CAP_ROUND : cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT;
    cairo_set_line_cap(context->state().cairo.get(), cairoCap);
}

void CGContextSetAlpha(CGContextRef context, CGFloat alpha)
{
    if (context && isFinite(alpha))
        context->state().current.alpha = unit(alpha);
}

void CGContextSetBlendMode(CGContextRef context, CGBlendMode mode)
{
    if (context)
        context->state().current.blendMode = mode;
}

void CGContextBeginPath(CGContextRef context)
{
    if (context)
        cairo_new_path(context->state().cairo.get());
}

void CGContextMoveToPoint(CGContextRef context, CGFloat x, CGFloat y)
{
    if (context && allFinite(x, y))
        cairo_move_to(context->state().cairo.get(), x, y);
}

void CGContextAddLineToPoint(CGContextRef context, CGFloat x, CGFloat y)
{
    if (context && allFinite(x, y))
        cairo_line_to(context->state().cairo.get(), x, y);
}

void CGContextAddCurveToPoint(CGContextRef context, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (context && allFinite(cp1x, cp1y, cp2x, cp2y, x, y))
        cairo_curve_to(context->state().cairo.get(), cp1x, cp1y, cp2x, cp2y, x, y);
}

void CGContextAddQuadCurveToPoint(CGContextRef context, CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y)
{
    if (!context || !allFinite(cpx, cpy, x, y))
        return;
    cairo_t* cairo = context->state().cairo.get();
    // cairo has cubic curves only; a quadratic one is the cubic with control points two thirds along.
    double x0 = x;
    double y0 = y;
    if (cairo_has_current_point(cairo))
        cairo_get_current_point(cairo, &x0, &y0);
    cairo_curve_to(cairo, x0 + 2.0 / 3 * (cpx - x0), y0 + 2.0 / 3 * (cpy - y0), x + 2.0 / 3 * (cpx - x), y + 2.0 / 3 * (cpy - y), x, y);
}

void CGContextAddArc(CGContextRef context, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise)
{
    if (!context || !allFinite(x, y, radius, startAngle, endAngle) || radius < 0)
        return;
    cairo_t* cairo = context->state().cairo.get();
    if (clockwise)
        cairo_arc_negative(cairo, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(cairo, x, y, radius, startAngle, endAngle);
}

void CGContextClosePath(CGContextRef context)
{
    if (context)
        cairo_close_path(context->state().cairo.get());
}

void CGContextAddRect(CGContextRef context, CGRect rect)
{
    if (context && isFinite(rect))
        cairo_rectangle(context->state().cairo.get(), rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

void CGContextAddEllipseInRect(CGContextRef context, CGRect rect)
{
    rect = CGRectStandardize(rect);
    if (!context || !isFinite(rect) || rect.size.width == 0 || rect.size.height == 0)
        return;
    cairo_t* cairo = context->state().cairo.get();
    cairo_matrix_t matrix;
    cairo_get_matrix(cairo, &matrix);
    cairo_translate(cairo, CGRectGetMidX(rect), CGRectGetMidY(rect));
    cairo_scale(cairo, rect.size.width / 2, rect.size.height / 2);
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_close_path(cairo);
    cairo_set_matrix(cairo, &matrix);
}

void CGContextFillPath(CGContextRef context)
{
    if (!context)
        return;
    auto& state = context->state();
    state.useFill();
    cairo_set_fill_rule(state.cairo.get(), CAIRO_FILL_RULE_WINDING);
    cairo_fill(state.cairo.get());
}

void CGContextEOFillPath(CGContextRef context)
{
    if (!context)
        return;
    auto& state = context->state();
    state.useFill();
    cairo_set_fill_rule(state.cairo.get(), CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(state.cairo.get());
    cairo_set_fill_rule(state.cairo.get(), CAIRO_FILL_RULE_WINDING);
}

void CGContextStrokePath(CGContextRef context)
{
    if (!context)
        return;
    auto& state = context->state();
    state.useStroke();
    cairo_stroke(state.cairo.get());
}

void CGContextFillRect(CGContextRef context, CGRect rect)
{
    CGContextBeginPath(context);
    CGContextAddRect(context, rect);
    CGContextFillPath(context);
}

void CGContextStrokeRect(CGContextRef context, CGRect rect)
{
    CGContextBeginPath(context);
    CGContextAddRect(context, rect);
    CGContextStrokePath(context);
}

void CGContextFillEllipseInRect(CGContextRef context, CGRect rect)
{
    CGContextBeginPath(context);
    CGContextAddEllipseInRect(context, rect);
    CGContextFillPath(context);
}

void CGContextClearRect(CGContextRef context, CGRect rect)
{
    if (!context || !isFinite(rect))
        return;
    cairo_t* cairo = context->state().cairo.get();
    cairo_save(cairo);
    cairo_new_path(cairo);
    cairo_rectangle(cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(cairo, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cairo);
    cairo_restore(cairo);
}

void CGContextClip(CGContextRef context)
{
    if (context)
        cairo_clip(context->state().cairo.get());
}

void CGContextClipToRect(CGContextRef context, CGRect rect)
{
    if (!context || !isFinite(rect))
        return;
    cairo_t* cairo = context->state().cairo.get();
    // Clipping keeps the path the caller may be building, as on the platform.
    auto path = std::unique_ptr<cairo_path_t, decltype(&cairo_path_destroy)>(cairo_copy_path(cairo), &cairo_path_destroy);
    cairo_new_path(cairo);
    cairo_rectangle(cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cairo);
    cairo_append_path(cairo, path.get());
}

CGRect CGContextGetClipBoundingBox(CGContextRef context)
{
    if (!context)
        return CGRectZero;
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    cairo_clip_extents(context->state().cairo.get(), &x1, &y1, &x2, &y2);
    return CGRectMake(x1, y1, std::max(0.0, x2 - x1), std::max(0.0, y2 - y1));
}

CGRect CGContextConvertRectToDeviceSpace(CGContextRef context, CGRect rect)
{
    rect = CGRectStandardize(rect);
    if (!context || !isFinite(rect))
        return CGRectZero;
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (double x : { CGRectGetMinX(rect), CGRectGetMaxX(rect) }) {
        for (double y : { CGRectGetMinY(rect), CGRectGetMaxY(rect) }) {
            double deviceX = x, deviceY = y;
            cairo_user_to_device(context->state().cairo.get(), &deviceX, &deviceY);
            left = std::min(left, deviceX);
            right = std::max(right, deviceX);
            top = std::min(top, deviceY);
            bottom = std::max(bottom, deviceY);
        }
    }
    return CGRectMake(left, top, right - left, bottom - top);
}

void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image)
{
    rect = CGRectStandardize(rect);
    if (!context || !image || !isFinite(rect) || rect.size.width <= 0 || rect.size.height <= 0)
        return;
    auto pixels = CGImageGetPixels(image);
    auto surface = pixels ? surfaceFromPixels(*pixels) : nullptr;
    if (!surface)
        return;
    auto& state = context->state();
    cairo_t* cairo = state.cairo.get();
    cairo_save(cairo);
    cairo_new_path(cairo);
    cairo_rectangle(cairo, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cairo);
    cairo_translate(cairo, rect.origin.x, rect.origin.y);
    cairo_scale(cairo, rect.size.width / static_cast<double>(pixels->width), rect.size.height / static_cast<double>(pixels->height));
    cairo_set_source_surface(cairo, surface.get(), 0, 0);
    // Padding keeps the edge pixels solid: a scaled picture must not fade into its surroundings.
    cairo_pattern_set_extend(cairo_get_source(cairo), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cairo), CAIRO_FILTER_GOOD);
    cairo_set_operator(cairo, cairoOperator(state.current.blendMode));
    cairo_paint_with_alpha(cairo, state.current.alpha);
    cairo_restore(cairo);
}

void CGContextBeginTransparencyLayer(CGContextRef context, CFDictionaryRef)
{
    if (!context)
        return;
    auto& state = context->state();
    state.layers.push_back({ state.saved.size(), state.current.alpha, state.current.blendMode });
    state.saved.push_back(state.current);
    cairo_push_group(state.cairo.get());
    state.current.alpha = 1;
    state.current.blendMode = kCGBlendModeNormal;
}

void CGContextEndTransparencyLayer(CGContextRef context)
{
    if (!context || context->state().layers.empty())
        return;
    auto& state = context->state();
    Layer layer = state.layers.back();
    state.layers.pop_back();
    cairo_t* cairo = state.cairo.get();
    for (; state.saved.size() > layer.savedDepth + 1; state.saved.pop_back())
        cairo_restore(cairo);
    state.current = state.saved.back();
    state.saved.pop_back();
    cairo_pop_group_to_source(cairo);
    cairo_save(cairo);
    cairo_set_operator(cairo, cairoOperator(layer.blendMode));
    cairo_paint_with_alpha(cairo, layer.alpha);
    cairo_restore(cairo);
    // Let go of the layer's pixels now rather than at the next fill.
    cairo_set_source_rgba(cairo, 0, 0, 0, 0);
}

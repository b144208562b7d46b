#include <render/TextRenderer.hpp>

#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>

#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Longer texts are cut: no label on a phone shows more, and shaping costs grow with length.
constexpr size_t maximumTextBytes = 64 * 1024;
constexpr int fittingSteps = 8;

struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* description) const { pango_font_description_free(description); }
};
struct IterDeleter {
    void operator()(PangoLayoutIter* iter) const { pango_layout_iter_free(iter); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoDeleter {
    void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};
using Layout = std::unique_ptr<PangoLayout, GObjectDeleter>;
using FontDescription = std::unique_ptr<PangoFontDescription, FontDescriptionDeleter>;
using LayoutIter = std::unique_ptr<PangoLayoutIter, IterDeleter>;
using CairoSurface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Cairo = std::unique_ptr<cairo_t, CairoDeleter>;

// Layouts are made in user units and drawn at any scale, so glyph positions must not be hinted
// to one pixel grid.
PangoContext* layoutContext()
{
    thread_local std::unique_ptr<PangoContext, GObjectDeleter> context = [] {
        std::unique_ptr<PangoContext, GObjectDeleter> made(pango_font_map_create_context(pango_cairo_font_map_get_default()));
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(made.get(), options);
        cairo_font_options_destroy(options);
        return made;
    }();
    return context.get();
}

std::string validText(const std::string& text)
{
    std::string cut = text.substr(0, maximumTextBytes);
    gchar* valid = g_utf8_make_valid(cut.c_str(), static_cast<gssize>(cut.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

// "HelveticaNeue" -> "Helvetica Neue": platform names run the words of a family together.
std::string spacedFamily(std::string_view family)
{
    std::string spaced;
    for (size_t i = 0; i < family.size(); ++i) {
        auto c = static_cast<unsigned char>(family[i]);
        if (!std::isalnum(c) && c != ' ')
            continue;
        bool startsWord = i > 0 && std::isupper(c) && std::islower(static_cast<unsigned char>(family[i - 1]));
        if (startsWord)
            spaced += ' ';
        spaced += static_cast<char>(c);
    }
    return spaced;
}

std::string styleWords(std::string_view style)
{
    std::string words;
    auto has = [&](const char* word) { return style.find(word) != std::string_view::npos; };
    if (has("Semibold") || has("SemiBold") || has("Demi"))
        words = " Semi-Bold";
    else if (has("UltraLight"))
        words = " Ultra-Light";
    else if (has("Bold"))
        words = " Bold";
    else if (has("Medium"))
        words = " Medium";
    else if (has("Light"))
        words = " Light";
    else if (has("Thin"))
        words = " Thin";
    else if (has("Heavy") || has("Black"))
        words = " Heavy";
    if (has("Italic") || has("Oblique"))
        words += " Italic";
    return words;
}

FontDescription makeFont(const UIFont& font, CGFloat pointSize)
{
    FontDescription description(pango_font_description_from_string(TextRenderer::fontDescription(font).c_str()));
    pango_font_description_set_absolute_size(description.get(), pointSize * PANGO_SCALE);
    return description;
}

struct LayoutRequest {
    CGFloat fontScale { 1 };
    std::optional<CGFloat> width;
    bool ellipsize { true };
};

Layout makeLayout(const std::string& text, const TextStyle& style, const LayoutRequest& request)
{
    Layout layout(pango_layout_new(layoutContext()));
    auto font = makeFont(*style.font, style.font->pointSize() * request.fontScale);
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_text(layout.get(), text.c_str(), static_cast<int>(text.size()));
    PangoAlignment alignment = style.alignment == NSTextAlignmentCenter ? PANGO_ALIGN_CENTER
        : style.alignment == NSTextAlignmentRight                       ? PANGO_ALIGN_RIGHT
                                                                        : PANGO_ALIGN_LEFT;
    pango_layout_set_alignment(layout.get(), alignment);
    if (request.width)
        pango_layout_set_width(layout.get(), static_cast<int>(std::clamp(*request.width, 0.0, 1e6) * PANGO_SCALE));
    pango_layout_set_wrap(layout.get(), style.numberOfLines == 1 ? PANGO_WRAP_WORD_CHAR : PANGO_WRAP_WORD);
    if (request.ellipsize && request.width) {
        pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
        // Negative heights count lines per paragraph: one for single-line labels.
        pango_layout_set_height(layout.get(), style.numberOfLines > 0 ? -static_cast<int>(std::min(style.numberOfLines, 1000L)) : -1000);
    }
    return layout;
}

struct PlacedLine {
    PangoLayoutLine* line;
    double x;
    double baseline;
};

// The lines a label shows, in layout units: the style's line limit counts across paragraphs.
struct LineBlock {
    std::vector<PlacedLine> lines;
    double top { 0 };
    double bottom { 0 };
    double widest { 0 };
};

LineBlock visibleLines(PangoLayout* layout, long limit)
{
    LineBlock block;
    LayoutIter iter(pango_layout_get_iter(layout));
    do {
        if (limit > 0 && static_cast<long>(block.lines.size()) >= limit)
            break;
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
        int y0 = 0;
        int y1 = 0;
        pango_layout_iter_get_line_yrange(iter.get(), &y0, &y1);
        if (block.lines.empty())
            block.top = y0;
        block.bottom = y1;
        block.widest = std::max(block.widest, static_cast<double>(logical.width));
        block.lines.push_back({ pango_layout_iter_get_line_readonly(iter.get()), static_cast<double>(logical.x),
            static_cast<double>(pango_layout_iter_get_baseline(iter.get())) });
    } while (pango_layout_iter_next_line(iter.get()));
    return block;
}

bool fits(const std::string& text, CGRect rect, const TextStyle& style, CGFloat scale)
{
    bool singleLine = style.numberOfLines == 1;
    auto layout = makeLayout(text, style, { scale, singleLine ? std::nullopt : std::optional(rect.size.width), false });
    LineBlock block = visibleLines(layout.get(), singleLine ? 1 : 0);
    if (block.widest / PANGO_SCALE > rect.size.width)
        return false;
    return style.numberOfLines <= 0 || pango_layout_get_line_count(layout.get()) <= style.numberOfLines;
}

bool isUsable(const TextStyle& style)
{
    return style.font && style.color;
}

// The device pixels the text may touch: its rectangle within the clip, out to whole pixels.
CGRect pixelAlignedVisibleRect(CGContextRef context, CGRect rect, CGFloat scale)
{
    CGRect clip = CGContextGetClipBoundingBox(context);
    double x0 = std::max(rect.origin.x, clip.origin.x);
    double y0 = std::max(rect.origin.y, clip.origin.y);
    double x1 = std::min(rect.origin.x + rect.size.width, clip.origin.x + clip.size.width);
    double y1 = std::min(rect.origin.y + rect.size.height, clip.origin.y + clip.size.height);
    if (x1 <= x0 || y1 <= y0)
        return CGRectZero;
    x0 = std::floor(x0 * scale) / scale;
    y0 = std::floor(y0 * scale) / scale;
    x1 = std::ceil(x1 * scale) / scale;
    y1 = std::ceil(y1 * scale) / scale;
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

// Coverage becomes the colour's alpha: the whole label is one colour.
std::shared_ptr<RGBAPixels> colouredPixels(cairo_surface_t* mask, const UIColor& color)
{
    cairo_surface_flush(mask);
    auto width = static_cast<size_t>(cairo_image_surface_get_width(mask));
    auto height = static_cast<size_t>(cairo_image_surface_get_height(mask));
    auto stride = static_cast<size_t>(cairo_image_surface_get_stride(mask));
    const unsigned char* data = cairo_image_surface_get_data(mask);
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = width;
    pixels->height = height;
    pixels->bytes.resize(width * height * 4);
    auto channel = [](CGFloat value) { return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
    uint8_t red = channel(color.red());
    uint8_t green = channel(color.green());
    uint8_t blue = channel(color.blue());
    double alpha = std::clamp(color.alpha(), 0.0, 1.0);
    uint8_t* out = pixels->bytes.data();
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x, out += 4) {
            out[0] = red;
            out[1] = green;
            out[2] = blue;
            out[3] = static_cast<uint8_t>(std::lround(data[y * stride + x] * alpha));
        }
    }
    return pixels;
}

}

TextStyle TextStyle::of(const UILabel& label)
{
    return { label.font(), label.textColor(), label.textAlignment(), label.numberOfLines(), label.adjustsFontSizeToFitWidth(),
        label.minimumScaleFactor() };
}

namespace TextRenderer {

std::string fontDescription(const UIFont& font)
{
    const std::string& name = font.fontName();
    // The system face keeps to Helvetica's proportions, which layout estimates assume; where
    // neither is installed, fontconfig gives its own sans.
    if (font.isSystemFont())
        return "Helvetica,sans-serif" + styleWords(name);
    size_t dash = name.find('-');
    std::string family = spacedFamily(std::string_view(name).substr(0, dash));
    std::string style = dash == std::string::npos ? std::string() : styleWords(std::string_view(name).substr(dash + 1));
    if (family.empty())
        return "sans-serif" + style;
    // A family's first word names its closest relative: "Helvetica Neue" falls back to "Helvetica".
    std::string fallbacks = ",";
    if (size_t space = family.find(' '); space != std::string::npos)
        fallbacks += family.substr(0, space) + ",";
    return family + fallbacks + "sans-serif" + style;
}

CGFloat fittingScale(const std::string& rawText, CGRect rect, const TextStyle& style)
{
    CGFloat minimum = style.minimumScaleFactor;
    // A minimum of 0 means the label keeps its size, as on the platform.
    if (!isUsable(style) || !style.adjustsFontSizeToFitWidth || minimum <= 0 || minimum >= 1 || rawText.empty())
        return 1;
    std::string text = validText(rawText);
    if (fits(text, rect, style, 1))
        return 1;
    if (!fits(text, rect, style, minimum))
        return minimum;
    CGFloat low = minimum;
    CGFloat high = 1;
    for (int step = 0; step < fittingSteps; ++step) {
        CGFloat middle = (low + high) / 2;
        (fits(text, rect, style, middle) ? low : high) = middle;
    }
    return low;
}

CGSize measureText(const std::string& rawText, CGFloat width, const TextStyle& style)
{
    if (!isUsable(style) || rawText.empty() || !std::isfinite(width) || width <= 0)
        return {};
    auto layout = makeLayout(validText(rawText), style, { 1, width, true });
    LineBlock block = visibleLines(layout.get(), style.numberOfLines);
    return { std::min(width, block.widest / PANGO_SCALE), (block.bottom - block.top) / PANGO_SCALE };
}

void drawText(CGContextRef context, const std::string& rawText, CGRect rect, const TextStyle& style, CGFloat pixelScale)
{
    rect = CGRectStandardize(rect);
    if (!context || !isUsable(style) || rawText.empty() || !std::isfinite(pixelScale) || pixelScale <= 0 || rect.size.width <= 0)
        return;
    CGRect visible = pixelAlignedVisibleRect(context, rect, pixelScale);
    auto pixelWidth = static_cast<size_t>(std::lround(visible.size.width * pixelScale));
    auto pixelHeight = static_cast<size_t>(std::lround(visible.size.height * pixelScale));
    if (pixelWidth == 0 || pixelHeight == 0 || pixelWidth > CGContext::maximumSide || pixelHeight > CGContext::maximumSide)
        return;

    std::string text = validText(rawText);
    CGFloat scale = fittingScale(text, rect, style);
    auto layout = makeLayout(text, style, { scale, rect.size.width, true });
    LineBlock block = visibleLines(layout.get(), style.numberOfLines);
    double blockHeight = (block.bottom - block.top) / PANGO_SCALE;
    double top = rect.origin.y + (rect.size.height - blockHeight) / 2;

    CairoSurface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, static_cast<int>(pixelWidth), static_cast<int>(pixelHeight)));
    Cairo cairo(cairo_create(mask.get()));
    if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_scale(cairo.get(), pixelScale, pixelScale);
    cairo_translate(cairo.get(), -visible.origin.x, -visible.origin.y);
    cairo_set_source_rgba(cairo.get(), 0, 0, 0, 1);
    for (const PlacedLine& line : block.lines) {
        cairo_move_to(cairo.get(), rect.origin.x + line.x / PANGO_SCALE, top + (line.baseline - block.top) / PANGO_SCALE);
        pango_cairo_show_layout_line(cairo.get(), line.line);
    }
    CGImageRef image = CGImageCreateWithPixels(colouredPixels(mask.get(), *style.color));
    CGContextDrawImage(context, visible, image);
    CGImageRelease(image);
}

}

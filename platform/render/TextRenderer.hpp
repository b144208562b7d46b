// Text as labels set it: one font, one colour, an alignment, a line limit, and shrinking to fit.
// The only part of the renderer that knows Pango.
#pragma once

#include <coregraphics/CGContext.hpp>

#include <memory>
#include <string>

class UIColor;
class UIFont;
class UILabel;

struct TextStyle {
    std::shared_ptr<UIFont> font;
    std::shared_ptr<UIColor> color;
    long alignment { 0 };
    // 0: as many lines as the text needs.
    long numberOfLines { 1 };
    bool adjustsFontSizeToFitWidth { false };
    CGFloat minimumScaleFactor { 0 };

    static TextStyle of(const UILabel&);
};

namespace TextRenderer {

// Draws the text inside the rectangle (user space), centred vertically as a label centres it,
// rasterised at pixelScale device pixels per unit. Only the part inside the clip is rasterised.
void drawText(CGContextRef, const std::string& text, CGRect, const TextStyle&, CGFloat pixelScale);

// The factor (minimumScaleFactor ... 1) by which the font shrinks so that the text fits the
// rectangle's width in its lines; 1 unless the style asks for shrinking.
CGFloat fittingScale(const std::string& text, CGRect, const TextStyle&);

// The size the text takes when wrapped at that width (within the style's line limit).
CGSize measureText(const std::string& text, CGFloat width, const TextStyle&);

// The families, weight and slant that stand for a platform font name: "HelveticaNeue-Bold" is
// "Helvetica Neue" bold, then "Helvetica", then the machine's sans-serif face.
std::string fontDescription(const UIFont&);

}
